// Per-user preferences in "config.xml" (an INI file despite its name). The
// file holds a proxy password, so it is kept readable by the user alone.
#pragma once
#include <QDate>
#include <QSettings>
#include <QString>
#include <QStringList>

class Config {
public:
    // Reads every key; a file written for another login name is reset and
    // saved at once.
    explicit Config(const QString& path);
    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    // Writes every key except the output-folder history.
    void Save();
    // UpdateShow 1, Update 0, Days 3, ShowOutputDlg 1, no proxy.
    void ResetDefalutConfig();

    static constexpr int HISTORY_SIZE = 10;
    // Keeps the first ten folders and writes them as OutputPath0..9.
    void SetOutPutPathList(const QStringList* list);
    // The kept folders that are non-empty and exist, in order.
    void GetOutputPathList(QStringList* list) const;

    QString GetSavePath() const { return m_savePath; }
    void SetSavePath(const QString& s) { m_savePath = s; }
    int GetShowOutputDlg() const { return m_showOutputDlg; }
    void SetShowOutputDlg(int v) { m_showOutputDlg = v; }
    int GetRunTimes() const { return m_runTimes; }
    void SetRunTimes(int v) { m_runTimes = v; }
    int GetAutoUpdate() const { return m_update; }
    void SetAutoUpdate(int v) { m_update = v; }
    int GetAutoDays() const { return m_days; }
    void SetAutoDays(int v) { m_days = v; }
    QDate GetDate() const { return m_date; }
    void SetDate(const QDate& d) { m_date = d; }
    int GetUpdateShow() const { return m_updateShow; }
    void SetUpdateShow(int v) { m_updateShow = v; }
    int GetUseProxy() const { return m_useProxy; }
    void SetUseProxy(int v) { m_useProxy = v; }
    int GetProxyType() const { return m_proxyType; }
    void SetProxyType(int v) { m_proxyType = v; }
    QString GetProxyHost() const { return m_host; }
    void SetProxyHost(const QString& s) { m_host = s; }
    QString GetProxyPort() const { return m_port; }
    void SetProxyPort(const QString& s) { m_port = s; }
    QString GetProxyUserName() const { return m_proxyUser; }
    void SetProxyUserName(const QString& s) { m_proxyUser = s; }
    QString GetProxyPassword() const { return m_password; }
    void SetProxyPassword(const QString& s) { m_password = s; }
    QString GetUserName() const { return m_userName; }
    int GetWindowWidth() const { return m_windowWidth; }
    int GetWindowHeight() const { return m_windowHeight; }
    int GetWindowOriginX() const { return m_windowX; }
    int GetWindowOriginY() const { return m_windowY; }

    QString filePath() const { return m_path; }
    // movies folder + "/" + bundle id, created when missing.
    static QString defaultSavePath();
    // The login name from the environment: the text after the last '=' of the
    // last entry holding "USER=" (any letter case).
    static QString loginName();

private:
    void read();
    // Creates the file readable and writable by the user alone.
    void restrictFile();

    QString m_path;
    QSettings m_settings;
    QString m_history[HISTORY_SIZE];

    int m_windowWidth = 0, m_windowHeight = 0, m_windowX = 0, m_windowY = 0;
    QString m_savePath;
    QString m_userName;
    int m_runTimes = 0;
    int m_update = 0;
    int m_days = 0;
    QDate m_date;
    int m_updateShow = 0;
    int m_showOutputDlg = 1;
    int m_useProxy = 0;
    int m_proxyType = 0;
    QString m_host, m_port, m_proxyUser, m_password;
};
