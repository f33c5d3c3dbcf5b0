#include "widgets/updatecheck.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

#include "main/constants.h"
#include "settings/config.h"

QString CUpdateCheck::updaterPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/shrinkwell-updater");
}

bool CUpdateCheck::available() {
    const QFileInfo updater(updaterPath());
    return updater.isFile() && updater.isExecutable();
}

QStringList CUpdateCheck::arguments(const Config& config) {
    QStringList args;
    if (config.GetUseProxy()) {
        static const char* const types[] = {"http", "socks5", "httpcaching", "ftpcaching"};
        const int t = config.GetProxyType();
        args << QStringLiteral("--proxy-type")
             << QString::fromLatin1(t >= 0 && t < 4 ? types[t] : types[0]) << QStringLiteral("--proxy-host")
             << config.GetProxyHost() << QStringLiteral("--proxy-port") << config.GetProxyPort();
        // The password goes through the environment (see run): a command
        // line can be read by every user of the machine.
        if (!config.GetProxyUserName().isEmpty()) args << QStringLiteral("--proxy-user") << config.GetProxyUserName();
    }
    args << QStringLiteral("--product") << APP_NAME << QStringLiteral("--version") << g_strVersion
         << QStringLiteral("--language") << QLocale::system().name();
    return args;
}

bool CUpdateCheck::isDue(const Config& config, const QDate& today) {
    if (!config.GetAutoUpdate()) return false;
    const QDate last = config.GetDate();
    if (!last.isValid()) return true;
    const int days = qMax(1, config.GetAutoDays());
    return last.daysTo(today) >= days;
}

bool CUpdateCheck::run(Config& config, bool automatic) {
    const QDate today = QDate::currentDate();
    if (automatic && !isDue(config, today)) return false;
    if (!available()) return false;
    QProcess process;
    process.setProgram(updaterPath());
    process.setArguments(arguments(config));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (config.GetUseProxy() && !config.GetProxyPassword().isEmpty())
        env.insert(QStringLiteral("SHRINKWELL_PROXY_PASSWORD"), config.GetProxyPassword());
    process.setProcessEnvironment(env);
    if (!process.startDetached()) return false;
    if (automatic) {
        config.SetDate(today);
        config.Save();
    }
    return true;
}
