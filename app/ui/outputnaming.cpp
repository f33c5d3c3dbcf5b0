#include "ui/outputnaming.h"

#include <QFile>
#include <QFileInfo>

#include "main/bridge.h"

COutputNames splitOutputNames(const QString& srcpath, const QString& outdir) {
    COutputNames n;
    int slash = srcpath.lastIndexOf('/');
    QString name = srcpath.mid(slash + 1);
    int dot = name.lastIndexOf('.');
    // A bare name without any folder has no base name to build on.
    n.basename = slash < 0 ? QString() : dot < 0 ? name : name.left(dot);
    n.extension = dot < 0 ? QString() : name.mid(dot + 1);
    n.outbasename = n.basename + QStringLiteral("_compressed");
    n.outpath = QStringLiteral("%1/%2.%3").arg(outdir, n.outbasename, n.extension);
    n.isExe = isExeSource(srcpath);
    return n;
}

COutputNames makeOutputNames(const QString& srcpath, const QString& outdir) {
    COutputNames n = splitOutputNames(srcpath, outdir);
    {
        QFile claim(n.outpath);
        claim.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    QFileInfo info(n.outpath);
    if (info.exists() && !info.isWritable()) {
        for (int i = 0;; ++i) {
            QString candidate = QStringLiteral("%1/%2%3.%4").arg(outdir, n.outbasename, QString::number(i), n.extension);
            if (!QFileInfo::exists(candidate)) {
                n.outpath = candidate;
                break;
            }
        }
    }
    return n;
}
