// The receiver's mapping table as read from the registry value (hexadecimal
// text). Decoding keeps every whole entry, and encoding gives the text back.

#include "fuzzsupport.h"

#include "settings/remotemapping.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceQt();
    const QString hex = QString::fromUtf8(fuzz::bytes(data, size));
    const QList<tMCECodeRecord> entries = DecodeMappingTable(hex);
    if (hex == u"ERROR") {
        FUZZ_CHECK(entries.isEmpty());
        return 0;
    }
    FUZZ_CHECK(entries.size() == hex.size() / 14);
    FUZZ_CHECK(EncodeMappingTable(entries) == hex.left(entries.size() * 14));
    for (const tMCECodeRecord &e : entries) {
        FUZZ_CHECK(DecodeMCECode(e.MCECode) == e);
        FUZZ_CHECK(!e.Button.isEmpty());
        // The display forms of an entry, as the debug log writes them.
        Q_UNUSED(ButtonIDOfName(e.Button));
        Q_UNUSED(ModifierText(e.KeyModifier));
        Q_UNUSED(RemoteScanCode(e.ButtonID));
    }
    // A short code (the last fragment, or the whole input) decodes too.
    Q_UNUSED(DecodeMCECode(hex.right(hex.size() % 14)));
    Q_UNUSED(DecodeMCECode(hex.left(14)));
    Q_UNUSED(ConfiguredButtonID(hex));
    return 0;
}
