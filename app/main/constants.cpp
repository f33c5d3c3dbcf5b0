#include "main/constants.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/fileutil.h"
#include "core/kinds.h"

const QString CUSTOM_FILE_NAME = QStringLiteral("custom.xml");
const QString CONFIG_FILE_NAME = QStringLiteral("config.xml");
const QString WINDOW_TITLE = QStringLiteral("Tarvik Shrinkwell");
const QString APP_NAME = QStringLiteral("Shrinkwell");
const QString ORG_NAME = QStringLiteral("tarvik");
const QString ORG_DOMAIN = QStringLiteral("shrinkwell.org");
const QString APP_ICON = QStringLiteral(":/res/image/myapp.png");
const QString OPEN_FILE_FILTER = QStringLiteral("SWF Files(*.swf;*.exe);All Files(*.*)");
const QString DEFAULT_VERSION = QStringLiteral("1.0.0");
const QString DEFAULT_BUNDLE_ID = QStringLiteral("org.shrinkwell.Shrinkwell");
const QString lamePath = QStringLiteral("/usr/local/bin");

const QStringList RES_KIND_NAMES = [] {
    QStringList names;
    for (const Tkindname& k : kindnames) names << QString::fromLatin1(k.app);
    return names;
}();

QString g_strBundleId = DEFAULT_BUNDLE_ID;
QString g_strVersion = DEFAULT_VERSION;

std::atomic<int> RESTYPE{-1};
std::atomic<bool> g_bExitRequested{false};

QString dataDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + g_strBundleId;
}

QString tempDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QLatin1Char('/') + g_strBundleId +
           QStringLiteral("/temp");
}

QString makeTempDirectory(const QString& root, QString* error) {
    std::string why = "no folder given";
    std::string dir;
    if (!root.isEmpty()) {
        const std::string r = QFile::encodeName(root).toStdString();
        dir = makescratchdir(r, "app", why);
        // Other instances may be running: only folders whose process is gone go.
        if (!dir.empty()) removestalescratch(r, "app");
    }
    if (dir.empty() && error) *error = QFile::decodeName(why.c_str());
    return QFile::decodeName(dir.c_str());
}

void removeTempDirectory(const QString& dir) { removescratchdir(QFile::encodeName(dir).toStdString()); }

QString toolsDirectory() {
    QFileInfo lame(lamePath + QStringLiteral("/lame"));
    return lame.isFile() && lame.isExecutable() ? lamePath + QLatin1Char('/') : QString();
}
