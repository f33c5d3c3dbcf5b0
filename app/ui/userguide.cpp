#include "ui/userguide.h"

#include <QDir>
#include <QFile>

#include "main/constants.h"

namespace {
const char* const kGuide = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Shrinkwell user guide</title>
<style>body{font-family:Arial,sans-serif;max-width:760px;margin:24px auto;line-height:1.45}
h1{color:#3a6fb7}code{background:#eef}</style></head><body>
<h1>Shrinkwell</h1>
<p>Shrinkwell makes Flash movies (.swf files and projector .exe files) smaller
without changing how they look. The source files are never changed: every
compressed copy is written to the output folder with "_compressed" added to
its name.</p>
<h2>Adding movies</h2>
<p>Drag movies onto the window, or click the add button and choose them. Each
movie becomes a row of the task list with its size; the list on the right
shows what the selected movie is made of (images, shapes, sounds, video,
fonts) and how much room each kind takes.</p>
<h2>Choosing how hard to compress</h2>
<p>Pick a preset under "Pre-settings:". <b>Best</b> keeps the quality highest
and is recommended; <b>Good</b>, <b>Basic</b> and <b>Medium</b> trade more
quality for size. Untick a kind in the right-hand list to leave it as it is.
"Show More Options" opens the detailed settings for each kind; any change
there switches the preset to <b>Custom</b>, which you can save under a name of
your own with the save button.</p>
<h2>Compressing</h2>
<p>Tick the movies to compress and click "Compress". The movies are done one
after another, each with its own progress bar. When the run ends, the list of
output files appears if "Show optimized file list when finished." is on in
the Preferences; a file that could not be written is marked "Failed" there.
The "Open" button shows the output folder.</p>
<h2>Preferences</h2>
<p>Choose the output folder, whether the output list is shown, the update
schedule and a network proxy for the update check.</p>
</body></html>
)";
}  // namespace

QString writeUserGuide(const QString& dataDir) {
    QDir().mkpath(dataDir);
    QString path = dataDir + QDir::separator() + "userguide.html";
    QByteArray page(kGuide);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.readAll() == page) return path;
    file.close();
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(page);
    return path;
}
