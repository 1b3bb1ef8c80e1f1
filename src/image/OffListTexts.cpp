#include "image/OffListTexts.h"

#include "s7access/S7RuleCodes.h"

namespace {

struct CodedField
{
    S7Rule::Field field;
    std::uint8_t (*code)(QStringView);
    QString (*text)(std::uint8_t);
};

constexpr CodedField kCodedFields[] = {
    {S7Rule::Field::PLC_Type, &PLC_Type_Code, &PLC_Type_Text},
    {S7Rule::Field::Data_Type, &Data_Type_Code, &Data_Type_Text},
    {S7Rule::Field::Data_Identifier, &Data_Identifier_Code, &Data_Identifier_Text},
    {S7Rule::Field::PLC_Area, &PLC_Area_Code, &PLC_Area_Text},
};

} // namespace

std::vector<OffListText> Off_List_Texts(const S7RuleList &read, const S7RuleList &write)
{
    std::vector<OffListText> found;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        const int end = Rules_In_Use(rules);
        for (int r = 0; r < end; ++r) {
            const S7Rule &rule = rules[std::size_t(r)];
            if (rule.Enable != QLatin1String("Y"))
                continue;
            for (const CodedField &f : kCodedFields) {
                const QString &text = rule[f.field];
                if (text.trimmed().isEmpty())
                    continue; // refused by the validation already
                const std::uint8_t code = f.code(text);
                const QString codeText = f.text(code);
                // A list text maps to a code whose text is itself.
                if (codeText != text)
                    found.push_back({list, r + 1, f.field, text, code, codeText});
            }
        }
    }
    return found;
}
