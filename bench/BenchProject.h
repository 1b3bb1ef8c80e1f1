#pragma once

#include "s7access/S7Rule.h"

#include <QString>
#include <QTemporaryDir>

// A project folder with 512 + 512 enabled rules, every attribute set, 40-character mnemonics,
// and a ParGen.xml with both byte counts 244: the largest project the editor can save.
class BenchProject
{
public:
    BenchProject();

    QString dir() const { return m_dir.path(); }
    QString parGenFile() const;
    QString s7ProtocolFile() const;

    static S7RuleList Generate_Rules(S7Rule::List list);

private:
    QTemporaryDir m_dir;
};
