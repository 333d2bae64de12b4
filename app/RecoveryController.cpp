#include "app/RecoveryController.h"

#include "app/DocumentController.h"
#include "app/DocumentWindowController.h"
#include "app/RecoveryDialog.h"
#include "canvas/DrawWindow.h"
#include "document/DrawDocument.h"
#include "document/ImageCache.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
// After the copies are written the program has this long to wind down
// before it ends without further ado.
constexpr int kExitGraceMs = 5000;

// The self-pipe: the signal handler only writes the signal's number into it,
// and the event loop reads it.
int s_SignalPipe[2] = {-1, -1};
bool s_Installed[NSIG] = {};

void onTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_SignalPipe[1], &number, 1);
    errno = saved;
}

qint64 monotonicMs() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

QString quoted(const QString& text) {
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

} // namespace

RecoveryController::Answer RecoveryController::answerFromText(const QString& text) {
    const QString answer = text.trimmed().toLower();
    if (answer == QLatin1String("recover"))
        return Answer::Recover;
    if (answer == QLatin1String("discard"))
        return Answer::Discard;
    if (answer == QLatin1String("later"))
        return Answer::Later;
    return Answer::Ask;
}

RecoveryController::RecoveryController(DocumentController& documents, RecoveryStore store,
                                       int delayMs, QObject* parent)
    : QObject(parent), m_Documents(documents), m_Store(std::move(store)),
      m_DelayMs(std::max(1, delayMs)) {
    m_Writer =
        std::make_unique<RecoveryWriter>(m_Store, [this](const RecoveryWriter::Outcome& outcome) {
            QMetaObject::invokeMethod(
                this, [this, outcome] { writeDone(outcome); }, Qt::QueuedConnection);
        });
    for (DocumentWindowController* document : documents.documents())
        follow(document);
    connect(&documents, &DocumentController::documentAdded, this, &RecoveryController::follow);
}

RecoveryController::~RecoveryController() {
    m_Writer.reset();
    for (int signal : kTerminationSignals) {
        if (s_Installed[signal])
            std::signal(signal, SIG_DFL);
        s_Installed[signal] = false;
    }
}

void RecoveryController::setAutomaticAnswer(Answer answer, bool report) {
    m_Answer = answer;
    m_Report = report;
}

// ---------------------------------------------------------------------------
// Following the documents

void RecoveryController::follow(DocumentWindowController* document) {
    if (m_Entries.count(document))
        return;
    Entry& entry = m_Entries[document];
    entry.lastSeen = saveStateOf(document->document());
    entry.timer = new QTimer(this);
    entry.timer->setSingleShot(true);
    connect(entry.timer, &QTimer::timeout, this, [this, document] {
        auto it = m_Entries.find(document);
        if (it == m_Entries.end())
            return;
        it->second.firstChange = -1;
        if (document->isEdited())
            writeCopyNow(document);
    });
    connect(document, &DocumentWindowController::changed, this,
            [this, document] { documentChanged(document); });
    connect(document, &DocumentWindowController::closing, this,
            &RecoveryController::documentClosing);
    // A document deleted without closing (the program ending) keeps its copy.
    connect(document, &QObject::destroyed, this, [this, document] {
        auto it = m_Entries.find(document);
        if (it == m_Entries.end())
            return;
        delete it->second.timer;
        m_Entries.erase(it);
    });
}

void RecoveryController::documentChanged(DocumentWindowController* document) {
    auto it = m_Entries.find(document);
    if (it == m_Entries.end())
        return;
    Entry& entry = it->second;
    const DocumentSaveState state = saveStateOf(document->document());
    if (!document->isEdited()) {
        // Saved, reverted, or undone back to the saved state.
        entry.timer->stop();
        entry.firstChange = -1;
        entry.lastSeen = state;
        removeCopy(entry);
        return;
    }
    if (copyIsCurrent(entry, state)) {
        entry.timer->stop();
        entry.firstChange = -1;
    } else if (state != entry.lastSeen || !entry.timer->isActive()) {
        schedule(entry);
    }
    entry.lastSeen = state;
}

bool RecoveryController::copyIsCurrent(const Entry& entry, const DocumentSaveState& state) {
    // The write on its way, else the one on disk.
    return entry.pendingTicket ? entry.pendingState == state
                               : entry.copied && entry.copiedState == state;
}

void RecoveryController::schedule(Entry& entry) {
    const qint64 now = monotonicMs();
    if (entry.firstChange < 0)
        entry.firstChange = now;
    const qint64 latest = entry.firstChange + qint64(kMaximumWaitFactor) * m_DelayMs;
    entry.timer->start(int(std::clamp<qint64>(latest - now, 0, m_DelayMs)));
}

void RecoveryController::documentClosing(DocumentWindowController* document) {
    auto it = m_Entries.find(document);
    if (it == m_Entries.end())
        return;
    // The user has answered for the changes: saved, or let them go.
    removeCopy(it->second);
    delete it->second.timer;
    m_Entries.erase(it);
}

void RecoveryController::removeCopy(Entry& entry) {
    if (entry.hasCopy)
        m_Writer->remove(entry.name);
    entry.hasCopy = false;
    entry.copied = false;
    entry.pendingTicket = 0;
}

// ---------------------------------------------------------------------------
// Writing

bool RecoveryController::writeCopyNow(DocumentWindowController* document) {
    auto it = m_Entries.find(document);
    if (it == m_Entries.end())
        return false;
    Entry& entry = it->second;
    PackageFiles files;
    DrawDocument& drawing = document->document();
    if (const DocumentResult serialised = drawing.fileWrapperRepresentation(files); !serialised) {
        // A picture missing from the store fails the save; the copy keeps
        // the shapes and the pictures that are there all the same.
        if (!entry.incompleteTold) {
            entry.incompleteTold = true;
            tell(document, tr("The recovery copy of %1 lacks a picture. %2")
                               .arg(quoted(document->displayName()),
                                    QString::fromStdString(serialised.error)));
        }
        files.clear();
        for (const ShapePtr& shape : drawing.shapes())
            shape->addFileWrapperTo(files, imageCache());
        files.insert_or_assign(DrawDocument::kShapesFileName, drawing.dataWithSelectionOnly(false));
    }
    if (entry.name.empty())
        entry.name = m_Store.newCopyName();
    RecoveryRecord record;
    record.originalPath = document->filePath().toStdString();
    record.displayName = document->displayName().toStdString();
    record.copyTime = QDateTime::currentMSecsSinceEpoch();
    record.writer = m_Store.self();
    entry.pendingTicket = m_NextTicket++;
    entry.pendingState = saveStateOf(document->document());
    entry.hasCopy = true;
    m_Writer->write(entry.name, std::move(record), std::move(files), entry.pendingTicket);
    return true;
}

void RecoveryController::writeAllNow() {
    std::vector<DocumentWindowController*> documents;
    for (const auto& [document, entry] : m_Entries)
        documents.push_back(document);
    for (DocumentWindowController* document : documents) {
        // What is being typed or dragged belongs in the copy.
        document->finishEditing();
        auto it = m_Entries.find(document);
        if (it == m_Entries.end() || !document->isEdited())
            continue;
        Entry& entry = it->second;
        entry.timer->stop();
        entry.firstChange = -1;
        if (!copyIsCurrent(entry, saveStateOf(document->document())))
            writeCopyNow(document);
    }
    waitForWrites();
}

void RecoveryController::waitForWrites() {
    m_Writer->waitUntilIdle();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

QString RecoveryController::copyPathOf(DocumentWindowController* document) const {
    auto it = m_Entries.find(document);
    if (it == m_Entries.end() || !it->second.hasCopy)
        return QString();
    return QString::fromStdString(m_Store.copyPath(it->second.name));
}

void RecoveryController::writeDone(const RecoveryWriter::Outcome& outcome) {
    for (auto& [document, entry] : m_Entries) {
        if (entry.name != outcome.name)
            continue;
        // A removal, or a write overtaken by a save or a newer write.
        if (outcome.ticket == 0 || outcome.ticket != entry.pendingTicket)
            break;
        entry.pendingTicket = 0;
        if (outcome.result) {
            entry.copied = true;
            entry.copiedState = entry.pendingState;
            entry.failureTold = false;
            emit copyWritten(document);
        } else {
            // The previous copy, if any, is still whole on disk. Told once
            // until a copy succeeds again; the next change tries anew.
            if (!entry.failureTold) {
                entry.failureTold = true;
                tell(document, tr("No recovery copy of %1 could be written. %2")
                                   .arg(quoted(document->displayName()),
                                        QString::fromStdString(outcome.result.error)));
            }
        }
        return;
    }
    if (!outcome.result)
        qWarning("%s", outcome.result.error.c_str());
}

void RecoveryController::tell(DocumentWindowController* document, const QString& text) {
    qWarning("%s", qPrintable(text));
    document->showStatusMessage(text);
}

// ---------------------------------------------------------------------------
// Start-up

void RecoveryController::report(const QString& line) const {
    if (m_Report)
        std::fprintf(stderr, "drawapp: recovery: %s\n", line.toLocal8Bit().constData());
}

void RecoveryController::adopt(DocumentWindowController* document, const std::string& name) {
    auto it = m_Entries.find(document);
    if (it == m_Entries.end())
        return;
    Entry& entry = it->second;
    entry.name = name;
    entry.hasCopy = true;
    entry.copied = true;
    entry.copiedState = entry.lastSeen = saveStateOf(document->document());
}

std::vector<DocumentWindowController*> RecoveryController::recoverAtStartUp() {
    m_StartUpNotes.clear();
    if (const PackageResult ready = m_Store.prepare(); !ready)
        m_StartUpNotes.append(tr("Recovery copies cannot be written in this session, so "
                                 "unsaved changes would be lost in a crash. %1")
                                  .arg(QString::fromStdString(ready.error)));
    TakeOverResult taken = takeOverAbandonedCopies(m_Store);
    for (const UnreadableCopy& copy : taken.unreadable) {
        const QString name = QString::fromStdString(copy.displayName);
        const QString reason = QString::fromStdString(copy.reason);
        const QString path = QString::fromStdString(copy.path);
        m_StartUpNotes.append(
            copy.movedAside
                ? tr("The recovery copy of %1 could not be read and was moved to %2. %3")
                      .arg(quoted(name), quoted(path), reason)
                : tr("The recovery copy of %1 could not be read. %2 It stays in %3.")
                      .arg(quoted(name), reason, quoted(path)));
    }
    for (const std::string& problem : taken.problems)
        m_StartUpNotes.append(QString::fromStdString(problem));
    for (const QString& note : m_StartUpNotes)
        report(QStringLiteral("note: ") + note);

    // Where each drawing will be saved: its own file while that is still a
    // drawing, else wherever the user says.
    std::vector<RecoveryDialog::Row> rows;
    std::vector<QString> targets, untitledNames;
    for (const TakenCopy& copy : taken.copies) {
        RecoveryDialog::Row row;
        row.name = QString::fromStdString(copy.record.displayName);
        row.original = QString::fromStdString(copy.record.originalPath);
        row.time = QDateTime::fromMSecsSinceEpoch(copy.record.copyTime);
        QString target = row.original;
        QString untitledName;
        if (!row.original.isEmpty() &&
            classifySaveTarget(copy.record.originalPath) != SaveTarget::DrawingPackage) {
            target.clear();
            untitledName = QFileInfo(row.original).fileName();
            row.note = tr("The file %1 no longer exists; you will be asked where to save the "
                          "drawing.")
                           .arg(quoted(row.original));
        }
        report(QStringLiteral("offered %1 from %2, copied %3%4")
                   .arg(quoted(row.name),
                        row.original.isEmpty() ? QStringLiteral("Untitled") : row.original,
                        row.time.toString(Qt::ISODate),
                        row.note.isEmpty() ? QString() : QStringLiteral(" (") + row.note + ")"));
        rows.push_back(std::move(row));
        targets.push_back(target);
        untitledNames.push_back(untitledName);
    }
    if (rows.empty()) {
        if (m_StartUpNotes.isEmpty())
            report(QStringLiteral("nothing to recover"));
        tellNotes();
        return {};
    }

    RecoveryDialog::Choice choice = RecoveryDialog::Choice::Later;
    std::vector<bool> chosen(rows.size(), true);
    if (m_Answer == Answer::Ask) {
        RecoveryDialog dialog(rows, m_StartUpNotes);
        dialog.exec();
        choice = dialog.choice();
        chosen = dialog.chosen();
    } else {
        choice = m_Answer == Answer::Recover   ? RecoveryDialog::Choice::Recover
                 : m_Answer == Answer::Discard ? RecoveryDialog::Choice::Discard
                                               : RecoveryDialog::Choice::Later;
    }
    // A signal that came while the dialog was up ends the program: the
    // copies, now this process's, are offered again at the next start.
    if (m_TerminationSignal)
        choice = RecoveryDialog::Choice::Later;

    std::vector<DocumentWindowController*> opened;
    for (std::size_t i = 0; i < taken.copies.size(); ++i) {
        TakenCopy& copy = taken.copies[i];
        const QString name = quoted(rows[i].name);
        if (choice == RecoveryDialog::Choice::Later || !chosen[i]) {
            report(QStringLiteral("kept %1 for later").arg(name));
            continue;
        }
        if (choice == RecoveryDialog::Choice::Discard) {
            const PackageResult removed = m_Store.removeCopy(copy.name);
            if (!removed)
                qWarning("%s", removed.error.c_str());
            report(QStringLiteral("discarded %1").arg(name));
            continue;
        }
        DocumentWindowController* document = m_Documents.openRecoveredDocument(
            std::move(copy.document), targets[i], untitledNames[i]);
        adopt(document, copy.name);
        opened.push_back(document);
        report(QStringLiteral("recovered %1").arg(name));
    }
    return opened;
}

void RecoveryController::tellNotes() {
    if (m_StartUpNotes.isEmpty() || m_Answer != Answer::Ask)
        return;
    // Once the windows are up; the start-up goes on meanwhile.
    QTimer::singleShot(0, this, [this] {
        DocumentWindowController* current = m_Documents.currentDocument();
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quorvik Draw"),
                                    tr("Some recovery copies need your attention."),
                                    QMessageBox::Ok, current ? current->window() : nullptr);
        box->setInformativeText(m_StartUpNotes.join(QStringLiteral("\n\n")));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    });
}

// ---------------------------------------------------------------------------
// Ending

void RecoveryController::handleTerminationSignals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);

    if (m_SignalNotifier)
        return;
    if (s_SignalPipe[0] < 0 && ::pipe2(s_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("drawapp: no pipe for the termination signals: %s", std::strerror(errno));
        return;
    }
    m_SignalNotifier = new QSocketNotifier(s_SignalPipe[0], QSocketNotifier::Read, this);
    connect(m_SignalNotifier, &QSocketNotifier::activated, this,
            &RecoveryController::signalArrived);
    for (int signal : kTerminationSignals) {
        struct sigaction previous {};
        ::sigaction(signal, nullptr, &previous);
        // Started with nohup, or in the background of a shell: stay so.
        if (previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signal, &action, nullptr) == 0)
            s_Installed[signal] = true;
    }
}

void RecoveryController::signalArrived() {
    unsigned char numbers[16];
    const ssize_t n = ::read(s_SignalPipe[0], numbers, sizeof numbers);
    if (n > 0)
        terminate(numbers[0]);
}

void RecoveryController::terminate(int signal) {
    if (m_TerminationSignal)
        return;
    m_TerminationSignal = signal;
    writeAllNow();
    const int status = 128 + signal;
    QCoreApplication::exit(status);
    // A dialog's own event loop could keep the program alive: the copies
    // are on disk, so it may end without more ceremony.
    QTimer::singleShot(kExitGraceMs, this, [status] { ::_exit(status); });
}

} // namespace qv
