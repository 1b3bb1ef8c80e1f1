#pragma once

#include <QByteArray>
#include <QStringList>

// The element tree of an XML text, one line per element in document order: its path below
// the root ("Operations/Operation[2]/Ope_Port") and, for an element without child elements,
// "=" and its text. Operation elements carry their 1-based position.
QStringList Flatten_Xml(const QByteArray &xml);

// The value of one path of Flatten_Xml, or a null text.
QString Xml_Value(const QStringList &flat, const QString &path);
