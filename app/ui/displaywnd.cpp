#include "ui/displaywnd.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/platform.h"

QDisplayWnd::QDisplayWnd(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
    auto* title = new QLabel("Please drag-and-drop SWF file to input.", this);
    QFont big = title->font();
    big.setPixelSize(20);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    auto* hint = new QLabel("Or add file by clicking", this);
    hint->setAlignment(Qt::AlignCenter);
    m_btnAdd = new QPushButton(this);
    m_btnAdd->setIcon(QIcon(":/res/image/add02.png"));
    m_btnAdd->setIconSize(QSize(64, 64));
    m_btnAdd->setFixedSize(84, 84);
    m_btnAdd->setFlat(true);
    m_btnAdd->setToolTip("Add flash files(.Swf;.Exe)");
    connect(m_btnAdd, &QPushButton::clicked, this, &QDisplayWnd::openFiles);

    auto* col = new QVBoxLayout(this);
    col->addStretch(2);
    col->addWidget(title);
    col->addSpacing(12);
    col->addWidget(hint);
    col->addSpacing(6);
    col->addWidget(m_btnAdd, 0, Qt::AlignHCenter);
    col->addStretch(3);
}

QStringList QDisplayWnd::takeFiles() {
    QStringList files;
    files.swap(m_files);
    return files;
}

void QDisplayWnd::openFiles() {
    m_files = getOpenFileNames("Open", m_folder, {"swf", "exe"});
    if (m_files.isEmpty()) return;
    m_leftByDrop = false;
    emit AddSWFFileFinish(true);
}

bool QDisplayWnd::dropFiles(const QList<QUrl>& urls) {
    m_files.clear();
    for (const QUrl& url : urls) {
        QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).isFile()) m_files.append(path);
    }
    if (m_files.isEmpty()) return false;
    m_leftByDrop = true;
    emit AddSWFFileFinish(true);
    return true;
}

void QDisplayWnd::mouseDoubleClickEvent(QMouseEvent*) { openFiles(); }

void QDisplayWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QDisplayWnd::dropEvent(QDropEvent* event) {
    if (dropFiles(event->mimeData()->urls())) event->acceptProposedAction();
}

void QDisplayWnd::paintEvent(QPaintEvent*) {
    // A dashed frame says where movies may be dropped.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0x8a, 0xa8, 0xd8), 2, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(QColor(0xf4, 0xf8, 0xff));
    p.drawRoundedRect(rect().adjusted(12, 12, -12, -12), 10, 10);
}
