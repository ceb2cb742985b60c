#include "rtftext.h"
#include "text.h"

#include <QSet>
#include <vector>

namespace
{

// Groups that hold no text of the document when they open with one of these words.
bool isHiddenDestination(const QByteArray &word)
{
    static const QSet<QByteArray> words = {"fonttbl",
                                           "colortbl",
                                           "stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "fldinst",
                                           "themedata",
                                           "datastore",
                                           "listtable",
                                           "filetbl",
                                           "revtbl",
                                           "rsidtbl",
                                           "latentstyles",
                                           "xmlnstbl",
                                           "generator",
                                           "bkmkstart",
                                           "bkmkend",
                                           "pgdsctbl",
                                           "shp",
                                           "shpinst",
                                           "nonshppict",
                                           "listoverridetable",
                                           "colorschememapping",
                                           "mmathPr",
                                           "template",
                                           "userprops",
                                           "docvar",
                                           "annotation",
                                           "atnid",
                                           "atnauthor"};
    return words.contains(word);
}

// Control words that stand for a character of their own.
QString characterOf(const QByteArray &word)
{
    if (word == "tab" || word == "cell")
        return QStringLiteral("\t");
    if (word == "emdash")
        return QStringLiteral("\u2014");
    if (word == "endash")
        return QStringLiteral("\u2013");
    if (word == "bullet")
        return QStringLiteral("\u2022");
    if (word == "lquote")
        return QStringLiteral("\u2018");
    if (word == "rquote")
        return QStringLiteral("\u2019");
    if (word == "ldblquote")
        return QStringLiteral("\u201C");
    if (word == "rdblquote")
        return QStringLiteral("\u201D");
    return {};
}

bool endsParagraph(const QByteArray &word)
{
    return word == "par" || word == "line" || word == "row" || word == "sect" || word == "page";
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct GroupState {
    bool hidden = false;
    int fallbackChars = 1; // \ucN: characters that follow a \u character for older readers
};

class RtfReader
{
public:
    explicit RtfReader(const QByteArray &b) : m_in(b) {}

    QStringList read()
    {
        m_groups.push_back({});
        while (m_pos < m_in.size()) {
            const char c = m_in.at(m_pos++);
            if (c == '{') {
                // Nesting past any real document is only counted, so a file of
                // nothing but braces cannot eat the memory.
                if (m_groups.size() < MaxDepth)
                    m_groups.push_back(m_groups.back());
                else
                    ++m_deeper;
                m_groupJustOpened = true;
                continue;
            }
            if (c == '}') {
                if (m_deeper > 0)
                    --m_deeper;
                else if (m_groups.size() > 1)
                    m_groups.pop_back();
                m_groupJustOpened = false;
                continue;
            }
            if (c == '\\') {
                controlSymbol();
                m_groupJustOpened = false;
                continue;
            }
            m_groupJustOpened = false;
            if (c == '\r' || c == '\n')
                continue;
            text(fromCp1251(&c, 1));
        }
        if (!m_line.isEmpty())
            m_lines.append(m_line);
        return m_lines;
    }

private:
    GroupState &state() { return m_groups.back(); }

    void text(const QString &s)
    {
        if (state().hidden)
            return;
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        m_line += s;
    }

    void newLine()
    {
        if (state().hidden)
            return;
        m_skipFallback = 0;
        m_lines.append(m_line);
        m_line.clear();
    }

    void controlSymbol()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in.at(m_pos);
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++m_pos;
        switch (c) {
        case '*':
            state().hidden = true; // an optional destination this reader does not know
            break;
        case '\'':
            if (m_pos + 1 < m_in.size()) {
                const int hi = hexValue(m_in.at(m_pos)), lo = hexValue(m_in.at(m_pos + 1));
                if (hi >= 0 && lo >= 0) {
                    const char byte = char(hi * 16 + lo);
                    text(fromCp1251(&byte, 1));
                    m_pos += 2;
                }
            }
            break;
        case '~':
            text(QStringLiteral(" "));
            break;
        case '_':
            text(QStringLiteral("-"));
            break;
        case '\r':
        case '\n':
            newLine();
            break;
        case '\\':
        case '{':
        case '}':
            text(QString(QChar(c)));
            break;
        default: // \- optional hyphen, \| and the like: nothing visible
            break;
        }
    }

    void controlWord()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in.at(m_pos)))
            ++m_pos;
        const QByteArray word = m_in.mid(start, m_pos - start);
        bool hasParam = false;
        qint64 param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in.at(m_pos) == '-') {
            negative = true;
            ++m_pos;
        }
        // A parameter has at most a few digits; more are read but not added up.
        for (int digits = 0; m_pos < m_in.size() && m_in.at(m_pos) >= '0' && m_in.at(m_pos) <= '9'; ++m_pos, ++digits) {
            hasParam = true;
            if (digits < 10)
                param = param * 10 + (m_in.at(m_pos) - '0');
        }
        if (negative)
            param = -param;
        if (m_pos < m_in.size() && m_in.at(m_pos) == ' ')
            ++m_pos; // the blank only ends the word

        if (m_groupJustOpened && isHiddenDestination(word)) {
            state().hidden = true;
            return;
        }
        if (word == "bin" && hasParam) {
            m_pos += std::clamp<qint64>(param, 0, m_in.size() - m_pos); // raw bytes of a picture
            return;
        }
        if (word == "uc" && hasParam) {
            state().fallbackChars = int(std::clamp<qint64>(param, 0, 10));
            return;
        }
        if (word == "u" && hasParam) {
            if (param < 0)
                param += 65536;
            m_skipFallback = 0;
            text(QString(QChar(char16_t(param & 0xFFFF))));
            m_skipFallback = state().fallbackChars;
            return;
        }
        if (endsParagraph(word)) {
            newLine();
            return;
        }
        const QString ch = characterOf(word);
        if (!ch.isEmpty())
            text(ch);
    }

    static constexpr size_t MaxDepth = 1000;
    const QByteArray &m_in;
    qsizetype m_pos = 0;
    std::vector<GroupState> m_groups;
    qint64 m_deeper = 0;
    bool m_groupJustOpened = false;
    int m_skipFallback = 0;
    QString m_line;
    QStringList m_lines;
};

} // namespace

bool looksLikeRtf(const QByteArray &bytes)
{
    return bytes.startsWith("{\\rtf");
}

QStringList rtfParagraphs(const QByteArray &bytes)
{
    return RtfReader(bytes).read();
}
