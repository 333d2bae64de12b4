// Recovery copies: written after a quiet time, removed when nothing is left
// unsaved, offered at start-up; and saving under faults.
#include "tests/widgets/DocumentTestSupport.h"

#include "app/RecoveryController.h"
#include "app/RecoveryDialog.h"
#include "canvas/DrawWindow.h"
#include "document/DrawDocument.h"
#include "document/RecoveryStore.h"
#include "styles/Fill.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace qv::test {
namespace {

QByteArray bytes(const ByteBuffer& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}
QByteArray shapesXml(DrawDocument& document) {
    return bytes(document.dataWithSelectionOnly(false));
}

// Every file of a package with its bytes.
std::map<QString, QByteArray> packageFiles(const QString& package) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(package).entryList(QDir::Files | QDir::Hidden))
        files[name] = fileBytes(QDir(package).filePath(name));
    return files;
}

ProcessIdentity endedProcess() {
    ProcessIdentity p;
    p.bootId = std::string(32, 'e');
    p.pid = 4242;
    p.startTime = 77;
    return p;
}

class RecoveryTest : public DocumentTest {
protected:
    RecoveryTest() : store(state.filePath(QStringLiteral("recovery")).toStdString(), self()) {}

    static ProcessIdentity self() { return ProcessIdentity::current(); }
    QString storeFolder() const { return QString::fromStdString(store.folder()); }
    QStringList copiesOnDisk() const {
        return QDir(storeFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    // A copy left behind by a process that has ended.
    void leaveCopy(unsigned number, const RecoveryRecord& record, const PackageFiles& files) {
        RecoveryStore ended(store.folder(), endedProcess());
        ASSERT_TRUE(ended.writeCopy(recoveryCopyName(endedProcess(), number), record, files));
    }
    // The example drawing with one more rectangle, as package files.
    PackageFiles editedExample(const QString& package) {
        DrawDocument document;
        EXPECT_TRUE(document.readFromPackage(package.toStdString()));
        document.installLoadedShapes();
        document.insertObject(rectangle(300), document.shapes().size());
        PackageFiles files;
        EXPECT_TRUE(document.fileWrapperRepresentation(files));
        return files;
    }

    QTemporaryDir state;
    RecoveryStore store;
};

TEST_F(RecoveryTest, ACopyFollowsTheEditsAndGoesWhenNothingIsLeftUnsaved) {
    RecoveryController recovery(*documents, store, 20);
    QSignalSpy written(&recovery, &RecoveryController::copyWritten);
    // The copy may come while the edit is still settling.
    auto copyComes = [&written, n = 0]() mutable {
        ++n;
        return QTest::qWaitFor([&] { return written.count() >= n; }, 5000);
    };
    const QString package = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    DocumentWindowController* doc = documents->openDocument(package);
    ASSERT_NE(doc, nullptr);
    addShape(*doc);
    ASSERT_TRUE(copyComes());
    const QString copy = recovery.copyPathOf(doc);
    ASSERT_TRUE(copy.startsWith(storeFolder())) << copy.toStdString();
    const QString copyPackage = copy + QStringLiteral("/Drawing.qvdraw/");
    EXPECT_EQ(fileBytes(copyPackage + "Shapes.xml"), shapesXml(doc->document()));
    // Pictures travel with the copy; nothing is written beside the user's file.
    EXPECT_EQ(fileBytes(copyPackage + "checker.png"), fileBytes(package + "/checker.png"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Plan.qvdraw")});
    std::string error;
    const std::optional<RecoveryRecord> record =
        store.readRecord(QFileInfo(copy).fileName().toStdString(), error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->originalPath, QFileInfo(package).absoluteFilePath().toStdString());
    EXPECT_EQ(record->displayName, "Plan.qvdraw");
    EXPECT_EQ(record->writer, self());

    addShape(*doc);
    ASSERT_TRUE(copyComes());
    EXPECT_EQ(fileBytes(copyPackage + "Shapes.xml"), shapesXml(doc->document()));

    // Undone back to the saved state, saved, reverted, closed without saving:
    // each time nothing is left to recover.
    const std::function<void()> ends[] = {
        [&] {
            documents->performMenuCommand("undo");
            documents->performMenuCommand("undo");
        },
        [&] { ASSERT_TRUE(doc->save()); },
        [&] {
            const std::size_t saved = doc->document().shapes().size() - 1;
            EXPECT_TRUE(documents->validateMenuCommand("revertDocumentToSaved").enabled);
            answers.click(QStringLiteral("Revert"));
            ASSERT_TRUE(doc->revertToSaved());
            EXPECT_EQ(doc->document().shapes().size(), saved);
            EXPECT_FALSE(doc->isEdited());
            EXPECT_FALSE(documents->validateMenuCommand("undo").enabled);
            EXPECT_FALSE(documents->validateMenuCommand("revertDocumentToSaved").enabled);
        },
        [&] {
            answers.click(QStringLiteral("Don't Save"));
            doc->window()->close();
            settle();
        }};
    for (std::size_t i = 0; i < std::size(ends); ++i) {
        if (i > 0) {
            addShape(*doc);
            ASSERT_TRUE(copyComes());
            ASSERT_EQ(copiesOnDisk().size(), 1);
        }
        ends[i]();
        recovery.waitForWrites();
        EXPECT_TRUE(copiesOnDisk().isEmpty()) << i;
    }
}

TEST_F(RecoveryTest, WritingAllNowCopiesEveryEditedDocumentAndTheCopiesOutliveTheProgram) {
    auto recovery = std::make_unique<RecoveryController>(*documents, store, 3600 * 1000);
    DocumentWindowController* edited = documents->newDocument();
    addShape(*edited);
    DocumentWindowController* clean = documents->newDocument();
    recovery->writeAllNow();
    ASSERT_FALSE(recovery->copyPathOf(edited).isEmpty());
    EXPECT_TRUE(recovery->copyPathOf(clean).isEmpty());
    const QString copy = recovery->copyPathOf(edited);
    EXPECT_EQ(fileBytes(copy + "/Drawing.qvdraw/Shapes.xml"), shapesXml(edited->document()));
    std::string error;
    const std::optional<RecoveryRecord> record =
        store.readRecord(QFileInfo(copy).fileName().toStdString(), error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->originalPath, "");
    EXPECT_EQ(record->displayName, "Untitled");

    // The program ends without closing its windows (a signal, a logout).
    recovery.reset();
    documents.reset();
    EXPECT_EQ(copiesOnDisk().size(), 1);
}

TEST_F(RecoveryTest, StartUpOffersCopiesOfEndedProcessesAndOpensTheChosenOnes) {
    const QString plan = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    const PackageFiles planEdited = editedExample(plan);
    leaveCopy(1, {plan.toStdString(), "Plan.qvdraw", 100, endedProcess()}, planEdited);
    leaveCopy(2, {"", "Untitled 3", 200, endedProcess()}, planEdited);
    const QString lost = dir.filePath(QStringLiteral("Gone/Lost.qvdraw"));
    leaveCopy(3, {lost.toStdString(), "Lost.qvdraw", 300, endedProcess()}, planEdited);
    RecoveryController recovery(*documents, store, 3600 * 1000);
    answers.next<RecoveryDialog>([](RecoveryDialog& dialog) {
        ASSERT_EQ(dialog.chosen().size(), 3u);
        QStringList texts;
        for (int i = 0; i < dialog.list()->topLevelItemCount(); ++i)
            texts << dialog.list()->topLevelItem(i)->text(0) + "|" +
                         dialog.list()->topLevelItem(i)->text(1);
        EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Plan.qvdraw|/")));
        EXPECT_EQ(texts[1], QStringLiteral("Untitled 3|Untitled"));
        EXPECT_TRUE(texts[2].startsWith(QStringLiteral("Lost.qvdraw|")));
        EXPECT_TRUE(texts.last().contains(QStringLiteral("no longer exists")))
            << texts.join(';').toStdString();
        dialog.setChosen(1, false);
        dialog.recoverButton()->click();
    });
    const std::vector<DocumentWindowController*> opened = recovery.recoverAtStartUp();
    settle();
    EXPECT_TRUE(answers.allAnswered());
    ASSERT_EQ(opened.size(), 2u);

    DocumentWindowController* recovered = opened[0];
    EXPECT_EQ(recovered->filePath(), QFileInfo(plan).absoluteFilePath());
    EXPECT_TRUE(recovered->isEdited());
    EXPECT_TRUE(recovered->window()->isWindowModified());
    EXPECT_EQ(shapesXml(recovered->document()), bytes(planEdited.at("Shapes.xml")));
    EXPECT_TRUE(opened[1]->isUntitled()) << "its file is gone: Save asks where";
    EXPECT_EQ(opened[1]->displayName(), QStringLiteral("Lost.qvdraw"));
    EXPECT_TRUE(opened[1]->isEdited());
    // The one not chosen waits for the next start.
    EXPECT_EQ(copiesOnDisk().size(), 3);

    ASSERT_TRUE(recovered->save());
    recovery.waitForWrites();
    EXPECT_FALSE(recovered->isEdited());
    EXPECT_EQ(packageFiles(plan).at(QStringLiteral("Shapes.xml")),
              shapesXml(recovered->document()));
    EXPECT_TRUE(recovery.copyPathOf(recovered).isEmpty());
    EXPECT_EQ(copiesOnDisk().size(), 2);
}

TEST_F(RecoveryTest, UnreadableCopiesAreToldAndTheOthersDiscarded) {
    const PackageFiles files = editedExample(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    leaveCopy(1, {"", "Good", 100, endedProcess()}, files);
    PackageFiles cut = files;
    cut.at("Shapes.xml").resize(cut.at("Shapes.xml").size() / 2);
    leaveCopy(2, {"", "Cut Short", 200, endedProcess()}, cut);

    RecoveryController recovery(*documents, store, 3600 * 1000);
    recovery.setAutomaticAnswer(RecoveryController::Answer::Discard, false);
    EXPECT_TRUE(recovery.recoverAtStartUp().empty());
    EXPECT_TRUE(copiesOnDisk().isEmpty());
    ASSERT_EQ(recovery.startUpNotes().size(), 1);
    const QString note = recovery.startUpNotes()[0];
    EXPECT_TRUE(note.contains(QStringLiteral("\u201CCut Short\u201D")) &&
                note.contains(QString::fromStdString(store.setAsideFolder())))
        << note.toStdString();
}

TEST_F(RecoveryTest, AFolderThatCannotBeWrittenIsToldAndTheDocumentStaysEdited) {
    QFile blocker(dir.filePath(QStringLiteral("state")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString folder = dir.filePath(QStringLiteral("state/recovery"));
    RecoveryController recovery(*documents, RecoveryStore(folder.toStdString(), self()), 20);
    recovery.setAutomaticAnswer(RecoveryController::Answer::Recover, false);
    EXPECT_TRUE(recovery.recoverAtStartUp().empty());
    ASSERT_EQ(recovery.startUpNotes().size(), 1);
    EXPECT_TRUE(recovery.startUpNotes()[0].contains(folder))
        << recovery.startUpNotes()[0].toStdString();

    DocumentWindowController* doc = documents->newDocument();
    addShape(*doc);
    QStatusBar* status = doc->window()->statusBar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !status->currentMessage().isEmpty(); }, 5000));
    EXPECT_TRUE(status->currentMessage().contains(
        QStringLiteral("No recovery copy of \u201CUntitled\u201D")))
        << status->currentMessage().toStdString();
    EXPECT_TRUE(doc->isEdited());
}

// A failed save leaves the previous package as it was and the document edited.
class SavingUnderFaults : public RecoveryTest {
protected:
    // Saves and answers the error; the message's text.
    QString failingSave(DocumentWindowController& doc) {
        answers.click(QStringLiteral("OK"));
        EXPECT_FALSE(doc.save());
        settle();
        EXPECT_TRUE(answers.allAnswered());
        EXPECT_TRUE(doc.isEdited());
        return answers.texts.isEmpty() ? QString() : answers.texts.takeLast();
    }
    QStringList folderEntries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(SavingUnderFaults, AFileSizeLimit) {
    // As drawapp does: a write past the limit fails instead of killing us.
    RecoveryController recovery(*documents, store, 3600 * 1000);
    recovery.handleTerminationSignals();
    const QString package = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    const auto before = packageFiles(package);
    DocumentWindowController* doc = documents->openDocument(package);
    ASSERT_NE(doc, nullptr);
    ShapeList many;
    for (int i = 0; i < 200; ++i)
        many.push_back(rectangle(i));
    doc->shapesController().addObjects(many);
    settle();

    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    rlimit small = limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString message = failingSave(*doc);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_TRUE(message.contains(QStringLiteral("Plan.qvdraw")) &&
                message.contains(QString::fromUtf8(std::strerror(EFBIG))))
        << message.toStdString();
    EXPECT_EQ(packageFiles(package), before);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("Plan.qvdraw")});
}

TEST_F(SavingUnderFaults, AReadOnlyFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not hold back root";
    const QString package = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    const auto before = packageFiles(package);
    DocumentWindowController* doc = documents->openDocument(package);
    ASSERT_NE(doc, nullptr);
    addShape(*doc);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString denied = failingSave(*doc);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(denied.contains(QString::fromUtf8(std::strerror(EACCES)))) << denied.toStdString();
    EXPECT_EQ(packageFiles(package), before);
}

TEST_F(SavingUnderFaults, ARemovedFolderOrAMissingPicture) {
    RecoveryController recovery(*documents, store, 3600 * 1000);
    const QString projects = dir.filePath(QStringLiteral("Projects"));
    QDir().mkpath(projects);
    DocumentWindowController* doc = documents->newDocument();
    addShape(*doc);
    ASSERT_TRUE(doc->saveAsToPath(projects + QStringLiteral("/Plan")));
    QDir(projects).removeRecursively();
    addShape(*doc);
    const QString gone = failingSave(*doc);
    EXPECT_TRUE(gone.contains(QString::fromUtf8(std::strerror(ENOENT)))) << gone.toStdString();

    // A picture the store does not hold: the save fails before anything is written.
    const QString package = copyExample(dir, QStringLiteral("Photo.qvdraw"));
    const auto before = packageFiles(package);
    DocumentWindowController* photo = documents->openDocument(package);
    ASSERT_NE(photo, nullptr);
    ShapePtr shape = rectangle();
    shape->fill().setStyle(FillStyleImage);
    shape->fill().setImageName("never-added.png");
    photo->shapesController().addObject(shape);
    settle();
    const QString missing = failingSave(*photo);
    EXPECT_TRUE(missing.contains(QStringLiteral("never-added.png"))) << missing.toStdString();
    EXPECT_EQ(packageFiles(package), before);
    // Its recovery copy keeps the shapes all the same, and says what it lacks.
    ASSERT_TRUE(recovery.writeCopyNow(photo));
    recovery.waitForWrites();
    EXPECT_EQ(fileBytes(recovery.copyPathOf(photo) + "/Drawing.qvdraw/Shapes.xml"),
              shapesXml(photo->document()));
    EXPECT_TRUE(
        photo->window()->statusBar()->currentMessage().contains(QStringLiteral("lacks a picture")));
}

} // namespace
} // namespace qv::test
