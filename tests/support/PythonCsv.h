#pragma once

// Python's csv module in strict mode as a second reader of the same bytes: the rows it reads,
// or its error. A peer written by other hands than the program's reader.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

struct PythonCsvResult
{
    bool ran = false;                  // python3 could be started and answered
    std::optional<QString> error;      // csv.Error's text
    QList<QStringList> rows;           // a blank line is a row without cells
};

inline QString Python3_Program()
{
    const QString fixed = QStringLiteral("/usr/bin/python3");
    return QFile::exists(fixed) ? fixed : QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// `text` is UTF-8; Python reads it as csv.reader(io.StringIO(text, newline=""), strict=True),
// without its bound on a field's size.
inline PythonCsvResult Python_Strict_Csv(const QByteArray &utf8, QChar separator = u',')
{
    PythonCsvResult result;
    const QString program = Python3_Program();
    if (program.isEmpty())
        return result;
    static const QString script = QStringLiteral(
        "import csv, io, json, sys\n"
        "csv.field_size_limit(sys.maxsize)\n"
        "text = sys.stdin.buffer.read().decode('utf-8')\n"
        "try:\n"
        "    rows = list(csv.reader(io.StringIO(text, newline=''), delimiter=sys.argv[1], strict=True))\n"
        "    sys.stdout.write(json.dumps({'rows': rows}))\n"
        "except csv.Error as e:\n"
        "    sys.stdout.write(json.dumps({'error': str(e)}))\n");
    QProcess python;
    python.start(program, {QStringLiteral("-c"), script, QString(separator)});
    if (!python.waitForStarted(10000))
        return result;
    python.write(utf8);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return result;
    const QJsonObject answer = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    result.ran = answer.contains(QLatin1String("rows")) || answer.contains(QLatin1String("error"));
    if (answer.contains(QLatin1String("error")))
        result.error = answer.value(QLatin1String("error")).toString();
    for (const QJsonValue &row : answer.value(QLatin1String("rows")).toArray()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells.append(cell.toString());
        result.rows.append(cells);
    }
    return result;
}
