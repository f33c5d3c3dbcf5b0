// Application-wide names, the working directories and the engine phase.
#pragma once
#include <QString>
#include <QStringList>

#include <atomic>

extern const QString CUSTOM_FILE_NAME;   // "custom.xml"
extern const QString CONFIG_FILE_NAME;   // "config.xml"
extern const QString WINDOW_TITLE;       // "Tarvik Shrinkwell"
extern const QString APP_NAME;           // "Shrinkwell", also the product word in messages
extern const QString ORG_NAME;           // "tarvik"
extern const QString ORG_DOMAIN;
extern const QString APP_ICON;           // ":/res/image/myapp.png"
extern const QString OPEN_FILE_FILTER;   // "SWF Files(*.swf;*.exe);All Files(*.*)"
extern const QString DEFAULT_VERSION;    // "1.0.0"
extern const QString DEFAULT_BUNDLE_ID;  // used when the platform names none
extern const QString lamePath;           // "/usr/local/bin"

// Resource kinds in the order the engine counts them.
enum TResType { RES_IMAGE = 0, RES_SHAPE, RES_SOUND, RES_VIDEO, RES_FONT, RES_AS, RES_COUNT };
// "Image", "Shape", "Sound", "Video", "Font", "As".
extern const QStringList RES_KIND_NAMES;

extern QString g_strBundleId;
extern QString g_strVersion;

// Engine phase: -1 before any call, 0 reading a resource list for the task
// list, 1 reading a file for compression, 2 optimizing and writing it.
extern std::atomic<int> RESTYPE;
// Raised when the main window closes; a file-loading loop stops before its
// next file and clears it.
extern std::atomic<bool> g_bExitRequested;

// home data location + "/" + bundle id (custom.xml, config.xml).
QString dataDirectory();
// cache location + "/" + bundle id + "/temp": the engine's scratch folder.
QString tempDirectory();
// This process's own folder under root (made by the engine's makescratchdir,
// private to this user), after removing the folders of runs that were killed;
// empty, with the reason in error, when root is unsafe or cannot be made.
QString makeTempDirectory(const QString& root, QString* error = nullptr);
// Removes a folder made by makeTempDirectory with everything in it.
void removeTempDirectory(const QString& dir);
// Prefix handed to the engine for lame and ffmpeg: lamePath + "/" when lame is
// there, else empty so that the engine searches PATH.
QString toolsDirectory();
