#include "SaveFileFilter.h"

#include <QStringList>

QString FitFileDialogText(const QString& text) {
    return text.left(kFileDialogTextRoom - 1);
}

QString ConvertSaveFileFilter(const QString& barSeparated) {
    const QStringList parts = barSeparated.split('|');
    QStringList filters;
    // The list ends at the first empty description (the closing "||").
    for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
        const QString description = parts[at].trimmed();
        const QString patterns =
            parts[at + 1].split(';', Qt::SkipEmptyParts).join(' ').simplified();
        if (description.isEmpty() || patterns.isEmpty()) {
            break;
        }
        const QString bracketed = '(' + patterns + ')';
        filters.append(description.endsWith(bracketed) ? description
                                                       : description + ' ' + bracketed);
    }
    return filters.join(QStringLiteral(";;"));
}
