#include "SaveFileFilter.h"

#include <QStringList>

#include <algorithm>

QString FitFileDialogText(const QString& text) {
    return text.left(kFileDialogTextRoom - 1);
}

QString ConvertSaveFileFilter(const QString& barSeparated) {
    const QStringList parts = barSeparated.split('|');
    QStringList filters;
    // The list ends at the first empty description (the closing "||").
    for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
        const QString description = parts[at].trimmed();
        const QString written = parts[at + 1].split(';', Qt::SkipEmptyParts).join(' ').simplified();
        if (description.isEmpty() || written.isEmpty()) {
            break;
        }
        // "*.*" stands for every file where every name is taken to have an
        // extension; here it would hide the names without a dot.
        QStringList patterns = written.split(' ');
        std::replace(patterns.begin(), patterns.end(), QStringLiteral("*.*"), QStringLiteral("*"));
        const QString bracketed = '(' + patterns.join(' ') + ')';
        // A description that names its patterns names them as they now are.
        const QString writtenBracketed = '(' + written + ')';
        const QString name = description.endsWith(writtenBracketed)
                                 ? description.chopped(writtenBracketed.size()).trimmed()
                                 : description;
        filters.append(name.isEmpty() ? bracketed : name + ' ' + bracketed);
    }
    return filters.join(QStringLiteral(";;"));
}
