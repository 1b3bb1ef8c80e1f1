#include "JobXml.h"

#include <QDomDocument>
#include <QHash>

namespace {

void flatten(const QDomElement &parent, const QString &prefix, QStringList &out)
{
    QHash<QString, int> seen;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        QString path = prefix + e.tagName();
        if (e.tagName() == QLatin1String("Operation"))
            path += QStringLiteral("[%1]").arg(++seen[e.tagName()]);
        if (e.firstChildElement().isNull()) {
            out.append(path + QLatin1Char('=') + e.text());
        } else {
            out.append(path);
            flatten(e, path + QLatin1Char('/'), out);
        }
    }
}

} // namespace

QStringList Flatten_Xml(const QByteArray &xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml))
        return {QStringLiteral("<not well-formed>")};
    QStringList out{doc.documentElement().tagName()};
    flatten(doc.documentElement(), QString(), out);
    return out;
}

QString Xml_Value(const QStringList &flat, const QString &path)
{
    const QString key = path + QLatin1Char('=');
    for (const QString &line : flat) {
        if (line.startsWith(key))
            return line.mid(key.size());
    }
    return {};
}
