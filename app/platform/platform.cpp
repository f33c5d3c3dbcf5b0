#include "platform/platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

#include <cstring>

#include "main/constants.h"

namespace {

int copyout(char* buf, int size, const QByteArray& value) {
    if (!buf || size <= 0) return -1;
    std::memset(buf, 0, size_t(size));
    if (value.size() >= size) return -1;
    std::memcpy(buf, value.constData(), size_t(value.size()));
    return 0;
}

// UTF-8 into a fixed field, cut at a character boundary, NUL-padded.
void copyfield(char* field, size_t size, const QString& value) {
    std::memset(field, 0, size);
    QByteArray utf8 = value.toUtf8();
    qsizetype n = qMin<qsizetype>(utf8.size(), qsizetype(size) - 1);
    while (n > 0 && n < utf8.size() && (uchar(utf8[n]) & 0xC0) == 0x80) --n;
    std::memcpy(field, utf8.constData(), size_t(n));
}

}  // namespace

int GetBundleIdentifier(char* buf, int size) { return copyout(buf, size, DEFAULT_BUNDLE_ID.toUtf8()); }

int GetInfoAttribute(char* buf, int size, const char* key) {
    if (!key || std::strcmp(key, "CFBundleVersion") != 0) return -1;
    return copyout(buf, size, QByteArrayLiteral(SHRINKWELL_APP_VERSION));
}

QStringList GetPath(const QString& title, const QString& dir, const QStringList& types, bool multiple, Option mode) {
    QStringList result;
    if (mode == FolderMode) {
        const QString folder = QFileDialog::getExistingDirectory(nullptr, title, dir, QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty()) result << folder;
        return result;
    }
    QStringList patterns;
    for (const QString& t : types) patterns << QStringLiteral("*.") + t.toLower() << QStringLiteral("*.") + t.toUpper();
    const QString filter = patterns.isEmpty() ? QString() : QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' ')));
    if (multiple) {
        result = QFileDialog::getOpenFileNames(nullptr, title, dir, filter);
    } else {
        const QString file = QFileDialog::getOpenFileName(nullptr, title, dir, filter);
        if (!file.isEmpty()) result << file;
    }
    return result;
}

QStringList getOpenFileNames(const QString& title, const QString& dir, const QStringList& types) {
    return GetPath(title, dir, types, true, FileMode);
}

QString getExistingDirectory(const QString& title, const QString& dir) {
    const QStringList paths = GetPath(title, dir, QStringList(), false, FolderMode);
    return paths.isEmpty() ? QString() : paths.first();
}

void OpenFolderFun(const unsigned short* path, int length) {
    if (!path || length <= 0) return;
    OpenFolder(QString::fromUtf16(reinterpret_cast<const char16_t*>(path), length));
}

void OpenFolder(const QString& path) {
    if (path.isEmpty()) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

int GetSystemProxy(SystemProxy* proxy) {
    if (!proxy) return -1;
    std::memset(proxy, 0, sizeof *proxy);
    // Asks for the proxy of an address that is never contacted.
    const QList<QNetworkProxy> list =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(QUrl(QStringLiteral("http://update.invalid/"))));
    for (const QNetworkProxy& p : list) {
        if (p.type() != QNetworkProxy::HttpProxy && p.type() != QNetworkProxy::HttpCachingProxy) continue;
        if (p.hostName().isEmpty()) continue;
        proxy->httpEnabled = 1;
        copyfield(proxy->httpHost, sizeof proxy->httpHost, p.hostName());
        proxy->httpPort = p.port();
        copyfield(proxy->httpUser, sizeof proxy->httpUser, p.user());
        break;
    }
    return 0;
}
