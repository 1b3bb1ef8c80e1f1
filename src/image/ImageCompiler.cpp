#include "image/ImageCompiler.h"

#include "common/Errors.h"
#include "common/LittleEndian.h"
#include "common/SafeFile.h"
#include "image/Bank1Block.h"
#include "image/Bank2Table.h"

#include "common/XmlIo.h"
#include "s7access/S7Protocol.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <vector>

namespace {

// `validate && compile` holds: a row that validation never reads is not sent either. A list
// ends for validation at its first row without a PLC address (after row 512 at the latest);
// rules after it, or an enabled row past it (it would go out as PLC 0.0.0.0), refuse the file.
void requireValidatedRows(const XmlDocument &doc, const QString &what)
{
    // Through validation's own reader first: a row it cannot read (an attribute missing) is not
    // sent, nor a row it reads as enabled while the device would skip it (no Enable attribute).
    {
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        S7ReadNotes notes;
        if (const auto error = Read_S7_Protocol_Document(doc, what, read, write, RowsPast512::Ignore, &notes))
            throw ValueError(*error);
        for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
            const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
            const std::vector<int> &rows = notes.rowsWithoutEnable[list == S7Rule::List::Read ? 0 : 1];
            for (const int row : rows) {
                if (row <= Rules_In_Use(rules))
                    throw ValueError(QStringLiteral("%1: rule %2 of the %3 list has no Enable attribute; the editor takes it "
                                                    "as enabled and writes Enable=\"Y\" when the list is saved")
                                         .arg(what)
                                         .arg(row)
                                         .arg(List_Name(list)));
            }
        }
    }
    const XmlElement root = Document_Root(doc);
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const QString name = list == S7Rule::List::Read ? QStringLiteral("S7_Protocol_Read")
                                                        : QStringLiteral("S7_Protocol_Write");
        S7RuleList rules;
        std::vector<bool> enabled;
        for (XmlElement row = root.firstChildElement(name).firstChildElement(); !row.isNull();
             row = row.nextSiblingElement()) {
            rules.emplace_back().PLC_Address = row.attribute(u"PLC_Address").value_or(QString());
            enabled.push_back(row.attribute(u"Enable").value_or(QString()) == QLatin1String("Y"));
        }
        if (const auto text = Unvalidated_Rules_Text(rules, list, what))
            throw ValueError(*text);
        for (std::size_t i = std::size_t(Rules_In_Use(rules)); i < rules.size(); ++i) {
            if (enabled[i])
                throw ValueError(QStringLiteral("%1: rule %2 of the %3 list is enabled but has no PLC address")
                                     .arg(what)
                                     .arg(i + 1)
                                     .arg(List_Name(list)));
        }
    }
}

} // namespace

struct ImageCompiler::State
{
    Bank1Block bank1;
    Bank2Table bank2;
    QByteArray bank1Output;
    QByteArray bank2Output;
    int ruleCount = 0;
};

ImageCompiler::ImageCompiler() : m_state(std::make_unique<State>()) {}

ImageCompiler::~ImageCompiler() = default;

void ImageCompiler::Compile_Banks(const QString &parGenFile, const QString &s7ProtocolFile)
{
    // Built aside and taken over only when complete, so a failing file leaves the last images.
    auto next = std::make_unique<State>();
    next->bank1.Set_Default_Bank1();
    next->bank2.Clear_Bank2();
    next->bank1.Load_ParGen_Bank1(parGenFile);
    next->bank1.Set_Bank2_Address(Bank1Block::kBank2DeviceAddress);
    if (!Name_Is_Missing(s7ProtocolFile)) {
        const XmlDocument doc = Load_Xml_File(s7ProtocolFile);
        const QString what = QFileInfo(s7ProtocolFile).fileName();
        next->ruleCount = next->bank2.Load_S7_Protocol_Bank2(doc, what);
        requireValidatedRows(doc, what);
    }
    next->bank1.Set_Rule_Count(static_cast<std::uint32_t>(next->ruleCount));
    next->bank1Output.reserve(Bank1Block::kSize);
    next->bank2Output.reserve(Bank2Table::kSize);
    next->bank1.Store_Bank1(next->bank1Output);
    next->bank2.Store_Bank2(next->bank2Output);
    m_state = std::move(next);
}

void ImageCompiler::Write_Bank_Files(const QString &projectDir) const
{
    if (m_state->bank1Output.isEmpty())
        throw BrivantError(QStringLiteral("No device images to write: the project was not compiled"));

    const QString binDir = QDir(projectDir).filePath(QStringLiteral("bin"));
    if (!QDir().mkpath(binDir))
        throw FileError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(binDir)));

    // One unit: both files are written in full first, and a failure on either leaves both
    // old images (the device must never get a new bank 1 with an old bank 2).
    const SafeFileWrite targets[] = {{QDir(binDir).filePath(QStringLiteral("bank1.bin")), m_state->bank1Output},
                                     {QDir(binDir).filePath(QStringLiteral("bank2.bin")), m_state->bank2Output}};
    Write_Files_Safely(targets);
}

const QByteArray &ImageCompiler::bank1Output() const
{
    return m_state->bank1Output;
}

const QByteArray &ImageCompiler::bank2Output() const
{
    return m_state->bank2Output;
}

int ImageCompiler::ruleCount() const
{
    return m_state->ruleCount;
}

quint32 ImageCompiler::checksum() const
{
    if (m_state->bank1Output.size() < static_cast<qsizetype>(Bank1Block::kSize))
        return 0;
    return LittleEndian::getU32(m_state->bank1.bytes(), Bank1Offset::Checksum);
}
