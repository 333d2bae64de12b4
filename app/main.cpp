// drawapp: the application. `drawapp [FILE...]` opens each drawing in its own
// window, or one untitled drawing when no file is named; a second start hands
// its files to the running application and ends.

#include "app/DocumentController.h"
#include "app/LaunchOptions.h"
#include "app/RecoveryController.h"
#include "app/SingleInstance.h"
#include "canvas/ModifierKeys.h"
#include "document/DocumentWindowRules.h"
#include "document/RecoveryStore.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/qt/SettingsUserDefaults.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolboxPalette.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace qv;

namespace {

const char* const kUsage =
    "Usage: drawapp [--new-instance] [FILE...]\n"
    "Opens each drawing (a .qvdraw package, or the Shapes.xml inside one) in its own\n"
    "window, or a new untitled drawing. A running drawapp of this user and display\n"
    "takes the files over, unless --new-instance is given.\n";

QStringList absolutePackagePaths(const std::vector<std::string>& files) {
    QStringList paths;
    for (const std::string& file : files)
        paths.append(
            QFileInfo(QString::fromStdString(packagePathForArgument(file))).absoluteFilePath());
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> raw(argv + 1, argv + argc);
    if (std::optional<std::string> platform = platformForEnvironment(
            std::getenv("DISPLAY"), std::getenv("QT_QPA_PLATFORM"), argumentsChoosePlatform(raw)))
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvik"));
    QApplication::setApplicationName(QStringLiteral("drawapp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvik Draw"));
    QApplication::setApplicationVersion(QStringLiteral(QV_VERSION));

    std::vector<std::string> arguments;
    const QStringList qtLeft = QApplication::arguments();
    for (qsizetype i = 1; i < qtLeft.size(); ++i)
        arguments.push_back(qtLeft[i].toStdString());
    const LaunchOptions options = parseLaunchArguments(arguments);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return EXIT_SUCCESS;
    }
    if (options.version) {
        std::printf("drawapp %s\n", QV_VERSION);
        return EXIT_SUCCESS;
    }
    if (!options.unknownOption.empty()) {
        std::fprintf(stderr, "drawapp: unknown option %s\n%s", options.unknownOption.c_str(),
                     kUsage);
        return 2;
    }
    const QStringList files = absolutePackagePaths(options.files);

    SingleInstance instance(QString::fromStdString(
        instanceServerName(std::getenv("XDG_RUNTIME_DIR"), unsigned(::getuid()),
                           std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"))));
    if (!options.newInstance && instance.handOver(files, 3000))
        return EXIT_SUCCESS;

    QtImageCodec codec;
    ImageCodec::setShared(&codec);
    SettingsUserDefaults defaults(QStringLiteral("drawapp"));
    Toolbox::setUserDefaults(&defaults);
    setOptionKey(optionKeyFromDefaults(defaults));
    Toolbox::sharedToolbox();

    int status = EXIT_SUCCESS;
    {
        DocumentController documents(defaults);
        // The palette is a window of its own; it goes before the application.
        ToolboxPalette palette(Toolbox::sharedToolbox());
        documents.setToolboxPalette(&palette);

        // Unsaved work outlives a crash, a kill or a logout as recovery copies.
        const std::optional<double> delaySetting =
            defaults.objectForKey(RecoveryController::kDelayKey)
                ? std::optional<double>(defaults.doubleForKey(RecoveryController::kDelayKey))
                : std::nullopt;
        RecoveryController recovery(
            documents,
            RecoveryStore(recoveryFolderPath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")),
                          ProcessIdentity::current()),
            recoveryDelayMilliseconds(std::getenv(RecoveryController::kDelayVariable),
                                      delaySetting));
        recovery.handleTerminationSignals();
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &recovery,
                         [&recovery](QSessionManager&) { recovery.writeAllNow(); });
        if (const char* answer = std::getenv(RecoveryController::kAnswerVariable); answer && *answer)
            recovery.setAutomaticAnswer(RecoveryController::answerFromText(answer), true);

        if (!options.newInstance) {
            instance.listen();
            QObject::connect(&instance, &SingleInstance::filesReceived, &documents,
                             [&documents](const QStringList& handed) {
                                 if (handed.isEmpty())
                                     documents.newDocument();
                                 else
                                     documents.openDocuments(handed);
                             });
        }
        const bool recovered = !recovery.recoverAtStartUp().empty();
        if (!files.isEmpty())
            documents.openDocuments(files);
        else if (!recovered)
            documents.newDocument();
        if (recovery.terminationSignal()) {
            // Ended while starting; the copies are written.
            status = 128 + recovery.terminationSignal();
        } else if (documents.documents().empty()) {
            // Nothing that was named could be opened: each failure has been told.
            status = EXIT_FAILURE;
        } else {
            palette.restoreState();
            status = app.exec();
        }
    }
    defaults.synchronize();
    ImageCodec::setShared(nullptr);
    return status;
}
