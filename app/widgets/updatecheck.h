// The update check: starts the updater program that sits next to the
// executable, with the proxy settings, product, version and language (the
// proxy password in SHRINKWELL_PROXY_PASSWORD); does nothing when there is none.
#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

class Config;

class CUpdateCheck {
public:
    // "shrinkwell-updater" in the executable's folder.
    static QString updaterPath();
    // Whether an updater is installed there: without one, nothing offers a check.
    static bool available();
    // The updater's command line for these settings.
    static QStringList arguments(const Config& config);
    // True when the schedule in config asks for a check on today.
    static bool isDue(const Config& config, const QDate& today);
    // automatic: only when due, and the date of the check is stored in config.
    // Returns true when an updater was started.
    static bool run(Config& config, bool automatic);
};
