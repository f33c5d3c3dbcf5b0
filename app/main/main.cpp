// Start-up of the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QFont>
#include <QIcon>
#include <QLabel>

#include <cstring>

#include "main/constants.h"
#include "platform/platform.h"
#include "settings/config.h"
#include "widgets/updatecheck.h"

#if __has_include("ui/swfwindow.h")
#include "ui/swfwindow.h"
#define SHRINKWELL_HAVE_WINDOW 1
#endif

namespace {

void readIdentity() {
    char buf[200];
    std::memset(buf, 0, sizeof buf);
    if (GetBundleIdentifier(buf, sizeof buf) == 0) {
        g_strBundleId = QString::fromLocal8Bit(buf);
        if (g_strBundleId.isEmpty()) g_strBundleId = DEFAULT_BUNDLE_ID;
    }
    std::memset(buf, 0, sizeof buf);
    if (GetInfoAttribute(buf, sizeof buf, "CFBundleVersion") == 0) g_strVersion = QString::fromLocal8Bit(buf);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    // Qt 6 reads and writes C strings as UTF-8, the locale encoding of the
    // systems it runs on: there is no codec left to choose.
    QCoreApplication::setOrganizationName(ORG_NAME);
    QCoreApplication::setOrganizationDomain(ORG_DOMAIN);
    QCoreApplication::setApplicationName(APP_NAME);
    QApplication::setWindowIcon(QIcon(APP_ICON));
    readIdentity();
    QCoreApplication::setApplicationVersion(g_strVersion);

#ifdef SHRINKWELL_HAVE_WINDOW
    QSWFWindow window;
    window.show();
    if constexpr (requires { window.config(); }) {
        if (Config* config = window.config()) CUpdateCheck::run(*config, true);
    }
    // Movies named on the command line, or handed over by a file manager
    // through the desktop entry, become tasks once the window is up.
    QStringList files;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        const QUrl url(arg);
        files.append(url.isLocalFile() ? url.toLocalFile() : QFileInfo(arg).absoluteFilePath());
    }
    if (!files.isEmpty()) QTimer::singleShot(0, &window, [&window, files]() mutable { window.AddFiles(files); });
#else
    QLabel window(WINDOW_TITLE);
    window.setWindowTitle(WINDOW_TITLE);
    window.resize(400, 200);
    window.show();
#endif
    return app.exec();
}
