#include "settings/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "main/constants.h"

namespace {

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the file before QSettings first writes it: QSettings replaces the
// file through a save file that keeps the permissions of the one it replaces,
// so the password is never readable by others, not even for a moment.
QString prepared(const QString& path) {
    QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (!info.exists()) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.close();
    }
    QFile::setPermissions(path, ownerOnly);
    return path;
}

}  // namespace

Config::Config(const QString& path) : m_path(prepared(path)), m_settings(m_path, QSettings::IniFormat) {
    read();
    const QString login = loginName();
    if (login.isEmpty() || login.compare(m_userName, Qt::CaseInsensitive) != 0) {
        m_userName = login;
        ResetDefalutConfig();
        Save();
    }
}

void Config::read() {
    QSettings& s = m_settings;
    m_windowWidth = s.value(QStringLiteral("WindowWidth"), 0).toInt();
    m_windowHeight = s.value(QStringLiteral("WindowHeight"), 0).toInt();
    m_windowX = s.value(QStringLiteral("WindowOriginX"), 0).toInt();
    m_windowY = s.value(QStringLiteral("WindowOriginY"), 0).toInt();
    m_savePath = s.value(QStringLiteral("VideoSavePath")).toString();
    if (m_savePath.isEmpty()) m_savePath = defaultSavePath();
    m_userName = s.value(QStringLiteral("UserName")).toString();
    m_runTimes = s.value(QStringLiteral("RunTimes"), 0).toInt();
    // No updater ships yet: checking for updates is something to switch on.
    m_update = s.value(QStringLiteral("Update"), 0).toInt();
    m_days = s.value(QStringLiteral("Days"), 0).toInt();
    const QDate today = QDate::currentDate();
    m_date = QDate(s.value(QStringLiteral("Year"), today.year()).toInt(),
                   s.value(QStringLiteral("Month"), today.month()).toInt(),
                   s.value(QStringLiteral("Day"), today.day()).toInt());
    m_updateShow = s.value(QStringLiteral("UpdateShow"), 0).toInt();
    m_showOutputDlg = s.value(QStringLiteral("ShowOutputDlg"), 1).toInt();
    m_useProxy = s.value(QStringLiteral("useProxy"), 0).toInt();
    m_proxyType = s.value(QStringLiteral("proxyType"), 0).toInt();
    m_host = s.value(QStringLiteral("host")).toString();
    m_port = s.value(QStringLiteral("port")).toString();
    m_proxyUser = s.value(QStringLiteral("ProxyUserName")).toString();
    m_password = s.value(QStringLiteral("password")).toString();
    // The history is read too: without it the preferences would offer the
    // default folder after every restart and "OK" would silently switch back to it.
    for (int i = 0; i < HISTORY_SIZE; ++i) m_history[i] = s.value(QStringLiteral("OutputPath%1").arg(i)).toString();
}

void Config::Save() {
    QSettings& s = m_settings;
    s.setValue(QStringLiteral("WindowWidth"), m_windowWidth);
    s.setValue(QStringLiteral("WindowHeight"), m_windowHeight);
    s.setValue(QStringLiteral("WindowOriginX"), m_windowX);
    s.setValue(QStringLiteral("WindowOriginY"), m_windowY);
    s.setValue(QStringLiteral("VideoSavePath"), m_savePath);
    s.setValue(QStringLiteral("UserName"), m_userName);
    s.setValue(QStringLiteral("RunTimes"), m_runTimes);
    s.setValue(QStringLiteral("Update"), m_update);
    s.setValue(QStringLiteral("Days"), m_days);
    s.setValue(QStringLiteral("Year"), m_date.year());
    s.setValue(QStringLiteral("Month"), m_date.month());
    s.setValue(QStringLiteral("Day"), m_date.day());
    s.setValue(QStringLiteral("UpdateShow"), m_updateShow);
    s.setValue(QStringLiteral("ShowOutputDlg"), m_showOutputDlg);
    s.setValue(QStringLiteral("useProxy"), m_useProxy);
    s.setValue(QStringLiteral("proxyType"), m_proxyType);
    s.setValue(QStringLiteral("host"), m_host);
    s.setValue(QStringLiteral("port"), m_port);
    s.setValue(QStringLiteral("ProxyUserName"), m_proxyUser);
    s.setValue(QStringLiteral("password"), m_password);
    restrictFile();
    s.sync();
    restrictFile();
}

void Config::restrictFile() { prepared(m_path); }

void Config::ResetDefalutConfig() {
    m_updateShow = 1;
    m_update = 0;
    m_days = 3;
    m_showOutputDlg = 1;
    m_useProxy = 0;
    m_proxyType = 0;
    m_host.clear();
    m_port.clear();
    m_proxyUser.clear();
    m_password.clear();
}

void Config::SetOutPutPathList(const QStringList* list) {
    for (int i = 0; i < HISTORY_SIZE; ++i) {
        m_history[i] = list && i < list->size() ? list->at(i) : QString();
        m_settings.setValue(QStringLiteral("OutputPath%1").arg(i), m_history[i]);
    }
}

void Config::GetOutputPathList(QStringList* list) const {
    if (!list) return;
    list->clear();
    for (const QString& folder : m_history)
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) list->append(folder);
}

QString Config::defaultSavePath() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + QDir::separator() +
                         g_strBundleId;
    QDir().mkpath(path);
    return path;
}

QString Config::loginName() {
    QString name;
    const QStringList env = QProcessEnvironment::systemEnvironment().toStringList();
    for (const QString& entry : env)
        if (entry.contains(QLatin1String("USER="), Qt::CaseInsensitive))
            name = entry.mid(entry.lastIndexOf(QLatin1Char('=')) + 1);
    return name;
}
