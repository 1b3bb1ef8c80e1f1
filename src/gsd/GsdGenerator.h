#pragma once

#include <QByteArray>
#include <QString>

// The PROFIBUS GSD file (revision 5) of the converter for a project's two byte counts.
class GsdGenerator
{
public:
    // I = bytes the converter sends (PROFINET_NB_OUT), O = bytes it receives (PROFINET_NB_IN).
    struct Counts
    {
        int inputLength = 0;  // I
        int outputLength = 0; // O
    };

    // Reads the two counts from ParGen.xml (0 where an element is missing or not an integer).
    // The caller has checked that the file exists. Throws XmlError when it is not well-formed.
    static Counts Read_Gsd_Counts(const QString &parGenFile);

    // The whole file text: ASCII, CR LF on every line. Throws ValueError for a count outside
    // 0..244.
    static QByteArray Build_GSD_Text(const Counts &counts);

    // Builds the text and writes it safely, replacing any file of that name.
    static void Write_GSD_File(const QString &fileName, const Counts &counts);

    // Appends ".gsd" unless the name ends in ".gsd" in any letter case.
    static QString With_Gsd_Extension(const QString &fileName);
};
