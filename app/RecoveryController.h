#pragma once
// Never losing work. While a document has unsaved changes, a recovery copy of
// it is written once the drawing has been left alone for the quiet time (and,
// for someone who never pauses, at the latest a few quiet times after the
// first change the copy lacks). The document is serialised here on the main
// thread as it stands; a RecoveryWriter thread puts the bytes on disk and the
// outcome comes back through the event loop. A copy goes once its document
// is saved, reverted, undone back to its saved state or closed.
//
// On SIGTERM, SIGHUP and SIGINT, and when the session manager ends the
// session, every edited document gets a fresh copy before the program ends.
// At start-up the copies of processes that have ended are offered in one
// dialog (RecoveryDialog); copies of running instances are left alone.
//
// Test hook: the environment variable QV_RECOVERY_ANSWER (recover, discard or
// later) answers the start-up dialog without showing it, for every copy
// found, and writes what the dialog and the start-up messages would have
// said to standard error, one line each, starting "drawapp: recovery:".

#include "document/DocumentWindowRules.h"
#include "document/RecoveryStore.h"
#include "document/RecoveryWriter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace qv {

class DocumentController;
class DocumentWindowController;

class RecoveryController : public QObject {
    Q_OBJECT

public:
    // The user-defaults key of the quiet time, in seconds.
    static constexpr const char* kDelayKey = "RecoveryCopyDelay";
    // The environment variable that overrides it (seconds, decimals allowed).
    static constexpr const char* kDelayVariable = "QV_RECOVERY_DELAY";
    static constexpr const char* kAnswerVariable = "QV_RECOVERY_ANSWER";
    // A copy is never more than this many quiet times behind a document
    // that keeps changing.
    static constexpr int kMaximumWaitFactor = 3;

    enum class Answer { Ask, Recover, Discard, Later };
    // "recover", "discard", "later"; Ask for anything else.
    static Answer answerFromText(const QString& text);

    // Follows every document of `documents`, those there now and those to come.
    RecoveryController(DocumentController& documents, RecoveryStore store, int delayMs,
                       QObject* parent = nullptr);
    // Finishes the writes and removals under way; copies stay.
    ~RecoveryController() override;

    int delayMs() const { return m_DelayMs; }
    const RecoveryStore& store() const { return m_Store; }

    // Answers the start-up dialog without asking; `report` writes what it
    // would have shown to standard error.
    void setAutomaticAnswer(Answer answer, bool report);

    // Offers the copies of ended processes and opens those the user chooses
    // (as edited documents); the documents opened. Nothing found, nothing
    // shown. Problems on the way (a copy that cannot be read, a folder that
    // cannot be written) are told, and never stop the start-up.
    std::vector<DocumentWindowController*> recoverAtStartUp();
    // What the start-up told the user about problems, one message each.
    const QStringList& startUpNotes() const { return m_StartUpNotes; }

    // Serialises the document now and hands its copy to the writer; false
    // for a document it does not follow.
    bool writeCopyNow(DocumentWindowController* document);
    // A fresh copy of every edited document, on disk when this returns.
    void writeAllNow();
    // Waits for the writer and takes in what it reports.
    void waitForWrites();
    // The folder of the document's copy; empty while it has none.
    QString copyPathOf(DocumentWindowController* document) const;

    // SIGTERM, SIGHUP and SIGINT (unless ignored when the program started):
    // fresh copies, then the event loop ends with 128 + the signal number.
    // Also makes SIGXFSZ ignored, so that a write beyond the file-size limit
    // fails with EFBIG instead of killing the program with its documents.
    void handleTerminationSignals();
    // The signal that ends the program; 0 while none came.
    int terminationSignal() const { return m_TerminationSignal; }

signals:
    // A copy of the document is on disk (tests wait for it).
    void copyWritten(DocumentWindowController* document);

private:
    struct Entry {
        // The copy's folder name, given at the first write.
        std::string name;
        // A copy is on disk or on its way.
        bool hasCopy = false;
        bool copied = false;
        DocumentSaveState copiedState;
        std::uint64_t pendingTicket = 0;
        DocumentSaveState pendingState;
        DocumentSaveState lastSeen;
        QTimer* timer = nullptr;
        qint64 firstChange = -1;
        bool failureTold = false;
        bool incompleteTold = false;
    };

    void follow(DocumentWindowController* document);
    void documentChanged(DocumentWindowController* document);
    void documentClosing(DocumentWindowController* document);
    static bool copyIsCurrent(const Entry& entry, const DocumentSaveState& state);
    void schedule(Entry& entry);
    void removeCopy(Entry& entry);
    void writeDone(const RecoveryWriter::Outcome& outcome);
    // In the document's status bar, and the log.
    void tell(DocumentWindowController* document, const QString& text);
    void adopt(DocumentWindowController* document, const std::string& name);
    void report(const QString& line) const;
    void tellNotes();
    void signalArrived();
    void terminate(int signal);

    DocumentController& m_Documents;
    RecoveryStore m_Store;
    int m_DelayMs;
    std::unique_ptr<RecoveryWriter> m_Writer;
    std::map<DocumentWindowController*, Entry> m_Entries;
    std::uint64_t m_NextTicket = 1;
    Answer m_Answer = Answer::Ask;
    bool m_Report = false;
    QStringList m_StartUpNotes;
    QSocketNotifier* m_SignalNotifier = nullptr;
    int m_TerminationSignal = 0;
};

} // namespace qv
