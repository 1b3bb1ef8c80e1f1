#include "common/Errors.h"
#include "common/XmlReader.h"
#include "FuzzInput.h"
#include "XmlDifferential.h"

#include <cstdlib>

// Any bytes through both ways of the XML reader and through QDomDocument: within the reader's
// bounds all three read the same tree, or all refuse with the same message; beyond them the
// reader refuses with XmlLimitError (where the DOM refused as well, for another reason, the
// reader may name either). The quick way never reads what the complete way refuses.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace XmlDifferential;
    const QByteArray bytes = Fuzz_Bytes(data, size);
    const QString what = QStringLiteral("fuzz input");

    Outcome complete;
    bool limit = false;
    try {
        complete = outcomeOf(Read_Xml_Complete(bytes, what));
    } catch (const XmlLimitError &e) {
        limit = true;
        complete.text = e.text();
    } catch (const BrivantError &e) {
        complete.text = e.text();
    }
    const std::optional<XmlDocument> quick = Read_Xml_Quick(bytes);
    if (quick && (!complete.ok || outcomeOf(*quick).text != complete.text))
        std::abort();

    // Refused by name where the DOM reads the byte as U+FFFD or refuses it in other words.
    if (!limit && !complete.ok && isOwnRefusal(complete.text))
        return 0;
    const DomOutcome dom = readWithDom(bytes, what);
    if (!dom.withinBounds) {
        if (!limit)
            std::abort();
        return 0;
    }
    if (limit && !dom.ok)
        return 0;
    // Both refuse a UTF-16 or UTF-32 document, each in its own words.
    if (!dom.ok && !complete.ok && isWide(bytes))
        return 0;
    if (limit || dom.ok != complete.ok || dom.text != complete.text)
        std::abort();
    return 0;
}
