#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// Builds the two device images from a project's ParGen.xml and S7_Protocol.xml and writes
// them as bin/bank1.bin (2048 bytes) and bin/bank2.bin (28672 bytes).
class ImageCompiler
{
public:
    ImageCompiler();
    ~ImageCompiler();
    ImageCompiler(const ImageCompiler &) = delete;
    ImageCompiler &operator=(const ImageCompiler &) = delete;

    // Missing files keep their part's defaults. Throws XmlError when a file is not well-formed
    // or S7_Protocol.xml lacks one of its lists, ValueError when more rules are enabled than
    // bank 2 can hold, or when a list holds rules that validation never reads (after its
    // first unused row or row 512) or an enabled row without a PLC address. A failed compile
    // keeps the images of the last good one.
    void Compile_Banks(const QString &parGenFile, const QString &s7ProtocolFile);

    // Writes projectDir/bin/bank1.bin and bank2.bin safely (bin is created when missing) as one
    // unit: both are written in full before either replaces its old file, and a failure on
    // either leaves both old files. Throws FileError naming the file and the reason,
    // BrivantError when nothing was compiled yet.
    void Write_Bank_Files(const QString &projectDir) const;

    const QByteArray &bank1Output() const;
    const QByteArray &bank2Output() const;
    int ruleCount() const;
    quint32 checksum() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
