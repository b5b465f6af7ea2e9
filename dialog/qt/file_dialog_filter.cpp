#include "file_dialog_filter.h"

#include <QRegularExpression>

namespace {

QString qtPatterns(const QString &patterns) {
    QStringList list = patterns.split(u';', Qt::SkipEmptyParts);
    for (QString &pattern : list) {
        pattern = pattern.trimmed();
        if (pattern == u"*.*") {
            pattern = QStringLiteral("*");
        }
    }
    return list.join(u' ');
}

// The description without the patterns that it may already show in parentheses.
QString bareDescription(const QString &description) {
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    return QString(description).remove(shownPatterns);
}

} // namespace

QStringList qtNameFilters(const std::string &filter) {
    const QStringList fields = QString::fromStdString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < fields.size() && !fields[i].isEmpty(); i += 2) {
        filters << QStringLiteral("%1 (%2)").arg(bareDescription(fields[i]),
                                                 qtPatterns(fields[i + 1]));
    }
    return filters;
}
