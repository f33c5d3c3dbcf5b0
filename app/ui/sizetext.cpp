#include "ui/sizetext.h"

void GetSizeString(long long n, QString& text) {
    const long long mb = 1LL << 20, gb = 1LL << 30;
    if (n <= 0) text = QStringLiteral("0KB");
    else if (n >= gb) text = QString::asprintf("%.2f GB", double(float(n) / float(gb)));
    else if (n >= mb) text = QString::asprintf("%.2f MB", double(float(n) / float(mb)));
    else text = QString::asprintf("%lld KB", n / 1024 > 0 ? n / 1024 : 1LL);
}

QString GetSizeString(long long n) {
    QString text;
    GetSizeString(n, text);
    return text;
}
