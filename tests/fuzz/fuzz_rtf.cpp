// RTF documents of any shape: the reader never throws, never nests deeper
// than its limit (a long run of "{" is a stack, not a recursion), and gives no
// more text than the bytes it was given.
#include "fuzzkit.h"
#include "rtftext.h"
#include "textimport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const QStringList paragraphs = rtfParagraphs(bytes);
    qsizetype chars = 0;
    for (const QString &p : paragraphs)
        chars += p.size();
    FUZZ_REQUIRE(chars <= bytes.size());
    FUZZ_REQUIRE(paragraphs.size() <= bytes.size() + 1);

    // A document the import takes as RTF gives the lines of these paragraphs.
    if (looksLikeRtf(bytes)) {
        const ImportText text = importTextOf(bytes);
        FUZZ_REQUIRE(text.encoding == ImportEncoding::Rtf);
        QStringList kept;
        for (const QString &p : paragraphs)
            if (!importLine(p).isEmpty())
                kept << importLine(p);
        FUZZ_REQUIRE(text.lines == kept);
    }
    return 0;
}
