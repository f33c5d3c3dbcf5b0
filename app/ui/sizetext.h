// How the program writes a byte count: "0KB", "12 KB", "1.50 MB", "2.00 GB".
#pragma once
#include <QString>

void GetSizeString(long long n, QString& text);
QString GetSizeString(long long n);
