#pragma once

#include "commparams/CommParams.h"

#include <QString>

// A ParGen.xml with the window's defaults but the PROFIBUS area sizes: `in` and `out` bytes.
inline void Write_Test_ParGen(const QString &file, const QString &in, const QString &out)
{
    CommParams params = CommParams::windowDefaults();
    params.texts[CommParams::PROFINET_NB_IN] = in;
    params.texts[CommParams::PROFINET_NB_OUT] = out;
    Write_ParGen(file, params);
}
