#pragma once

#include <QtCore/QString>

#include <vector>

// Finds telephone numbers in running text. Safe on any thread: it holds no shared state of its
// own, and the number library's tables are read-only once made.
class ZVPhoneNumberDetector {
public:
    struct Match {
        qsizetype location = 0;
        qsizetype length = 0;
    };

    // `region` is the two-letter country that numbers without a country code belong to.
    explicit ZVPhoneNumberDetector(QString region = defaultRegion());

    // The numbers in `text`, in order, as ranges of UTF-16 units.
    std::vector<Match> matchesInString(const QString& text) const;

    // The country of the user's locale, or "US" when it names none.
    static QString defaultRegion();

private:
    QString region_;
};
