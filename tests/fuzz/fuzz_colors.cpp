// CwetFona.qdx as any bytes, and any colour name: a colour's name reads back
// as the same colour, the colours a file asks for are short names, and storing
// a colour leaves it as the entry of its key.
#include "colors.h"
#include "errors.h"
#include "fuzzkit.h"
#include "settings.h"
#include "text.h"
#include "textfile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);

    // Any 32-bit code has a name that reads back as it; a name read as a colour does too.
    if (size >= 4) {
        ColorCode c;
        std::memcpy(&c, data, 4);
        FUZZ_REQUIRE(colorFromName(colorToName(c)) == c);
        // A plain colour is painted as it is and comes back from its paint.
        const ColorCode plain = c & 0xFFFFFFu;
        FUZZ_REQUIRE(colorFromRgb(colorToRgb(plain)) == plain);
    }
    const QString asName = fromCp1251(bytes.left(64));
    if (const std::optional<ColorCode> c = colorFromName(asName)) {
        FUZZ_REQUIRE(colorFromName(colorToName(*c)) == c);
        FUZZ_REQUIRE(colorFromNameOrThrow(asName) == *c);
    } else {
        bool refused = false;
        try {
            colorFromNameOrThrow(asName);
        } catch (const TrivoError &) {
            refused = true;
        }
        FUZZ_REQUIRE(refused);
    }

    // The colour file.
    const QString path = putFile(QStringLiteral("CwetFona.qdx"), bytes);
    const QStringList before = readCp1251Lines(path);
    for (const SavedColour &s : savedColours(before)) {
        FUZZ_REQUIRE(s.key == u"Form1" || s.key == u"Otwet");
        FUZZ_REQUIRE(s.name.size() <= 20);
        colorFromName(s.name);
    }
    const QString key = size % 2 ? QStringLiteral("Otwet") : QStringLiteral("Form1");
    const QString value = trimmed(colorToName(ColorCode(qHashBits(data, size))).left(20));
    ZapParam(path, value, key);
    const QStringList after = readCp1251Lines(path);
    FUZZ_REQUIRE(after.size() == before.size() || after.size() == before.size() + 1);
    FUZZ_REQUIRE(after.contains(key + u' ' + value));
    bool found = false;
    for (const SavedColour &s : savedColours(after))
        found |= s.key == key && s.name == value;
    FUZZ_REQUIRE(found);
    return 0;
}
