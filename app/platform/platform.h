// The desktop glue: who the program is, native panels, opening a folder and
// the system proxy.
#pragma once
#include <QString>
#include <QStringList>

// The program's bundle identifier and its "CFBundleVersion", as C strings in
// buf (size bytes); 0 means success.
int GetBundleIdentifier(char* buf, int size);
int GetInfoAttribute(char* buf, int size, const char* key);

enum Option { FolderMode = 0, FileMode = 1 };
// Open panel. FileMode: files of the given types (suffixes without the dot),
// several when multiple. FolderMode: one folder. Empty when cancelled.
QStringList GetPath(const QString& title, const QString& dir, const QStringList& types, bool multiple, Option mode);
QStringList getOpenFileNames(const QString& title, const QString& dir, const QStringList& types);
QString getExistingDirectory(const QString& title, const QString& dir);
// Shows the folder (UTF-16 text of length code units) in the file manager.
void OpenFolderFun(const unsigned short* path, int length);
// Convenience for QString callers.
void OpenFolder(const QString& path);

struct SystemProxy {
    int httpEnabled;       // 0 or 1
    char httpHost[128];    // UTF-8, NUL-padded; longer names are cut at a character boundary
    int httpPort;
    int reserved;          // stays 0
    char httpUser[256];    // UTF-8, NUL-padded
};
// -1 for a null record; otherwise fills it from the system's HTTP proxy and
// returns 0.
int GetSystemProxy(SystemProxy* proxy);
