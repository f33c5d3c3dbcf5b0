#include "widgets/aboutbox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "main/constants.h"

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About %1").arg(APP_NAME));
    setWindowIcon(QIcon(APP_ICON));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(APP_ICON).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(this);
    text->setTextFormat(Qt::PlainText);
    text->setText(QStringLiteral("%1\nVersion %2\n\nMakes Flash movies smaller without changing how they look.\n\n%3")
                      .arg(WINDOW_TITLE, g_strVersion, g_strBundleId));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
