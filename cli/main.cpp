// qvdraw: the drawing program's headless command-line tool. It works without
// a display: Qt runs on its offscreen platform unless QT_QPA_PLATFORM says
// otherwise.

#include "cli/Command.h"
#include "platform/qt/QtImageCodec.h"

#include <QGuiApplication>

#include <csignal>

#include <iostream>
#include <string>
#include <vector>

#ifndef QV_VERSION
#define QV_VERSION "0.1.0"
#endif

using namespace qv;
using namespace qv::cli;

namespace {

// Qt's own chatter (missing runtime directories and the like) would break the
// tool's promise of one line on standard error per failure; only Qt's
// critical and fatal messages get through.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "qvdraw: " << message.toStdString() << "\n";
}

// Words of `text` in lines of at most `width` characters after `indent`.
void printWrapped(std::ostream& out, const std::string& text, std::size_t indent,
                  std::size_t width = 78) {
    std::size_t column = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        if (column > 0 && column + 1 + word.size() > width) {
            out << "\n";
            column = 0;
        }
        if (column == 0) {
            out << std::string(indent, ' ') << word;
            column = indent + word.size();
        } else {
            out << ' ' << word;
            column += 1 + word.size();
        }
    }
    out << "\n";
}

void printHelp(std::ostream& out) {
    out << "Usage: qvdraw COMMAND [OPTIONS] ARGUMENTS\n"
           "       qvdraw --help | --version\n"
           "\n"
           "Works on Quorvik Draw documents (.qvdraw packages) without a display.\n"
           "\n"
           "Commands:\n";
    for (const CommandInfo& info : registeredCommands()) {
        printWrapped(out, std::string("qvdraw ") + info.name + " " + info.synopsis, 2);
        printWrapped(out, info.summary, 6);
    }
    out << "\n"
           "Exit status: 0 success, 1 the document cannot be read, 2 usage error,\n"
           "3 the export or output file cannot be made. Errors are reported on one\n"
           "line of standard error naming the file and the reason.\n";
}

} // namespace

int main(int argc, char** argv) {
    // Past the file-size limit a write should fail and be reported, not end
    // the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    CommandIO io{std::cout, std::cerr};

    if (args.empty()) {
        std::cerr << "qvdraw: no command given (see qvdraw --help)\n";
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(std::cout);
        return kExitSuccess;
    }
    if (args[0] == "--version") {
        std::cout << "qvdraw " << QV_VERSION << "\n";
        return kExitSuccess;
    }
    const CommandInfo* command = findCommand(args[0]);
    if (!command) {
        std::cerr << "qvdraw: unknown command \"" << args[0] << "\" (see qvdraw --help)\n";
        return kExitUsage;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            printWrapped(std::cout,
                         std::string("Usage: qvdraw ") + command->name + " " + command->synopsis,
                         0);
            printWrapped(std::cout, command->summary, 0);
            return kExitSuccess;
        }
    }

    // The platform must be chosen before the application object exists; Qt
    // gets no command-line arguments of ours to interpret.
    qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    QtImageCodec codec;
    ImageCodec::setShared(&codec);

    const int status = command->run(rest, io);
    std::cout.flush();
    ImageCodec::setShared(nullptr);
    return status;
}
