// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <span>
#include <vector>

// The first steps of reading a vCard text: finding its cards, and turning one card's bytes into the lines of its
// properties (UTF-8, split, unfolded), with the card's dialect.
namespace vecardia::vcard {

// A card starts at a line that starts with "BEGIN:VCARD", in any letter case; a UTF-8 byte-order mark before it (as
// books joined end to end have) is no hindrance. Text inside a line is never a card start, nor is a BEGIN:VCARD line
// right after an AGENT line with an empty value: that card is the agent's, inside its parent's line. The text's
// first byte starts a line.
inline constexpr QByteArrayView kCardStart = "BEGIN:VCARD";

// Whether a card starts at `at`. Looks back at most kCardStartLookBack bytes.
[[nodiscard]] bool isCardStart(QByteArrayView text, qsizetype at);
inline constexpr qsizetype kCardStartLookBack = 272;

// The offset of the next card start at or after `from`, or -1.
[[nodiscard]] qsizetype findCardStart(QByteArrayView text, qsizetype from = 0);

// Splits a card into lines: a line ends at a line feed, at carriage returns right before one, or at a lone carriage
// return; the text after the last line end is a line too.
void splitLines(QByteArrayView card, std::vector<QByteArrayView> &lines);

// The scalar twins of the two above: what builds without SSE2 compile, and what the tests hold the vector paths to.
namespace scalar {
[[nodiscard]] qsizetype findCardStart(QByteArrayView text, qsizetype from = 0);
void splitLines(QByteArrayView card, std::vector<QByteArrayView> &lines);
} // namespace scalar

// A line without the spaces at its end and the spaces and tabs at its start, as the reader takes it: a line led by
// tabs after an empty line (a fold of nothing) is read as the line it holds.
[[nodiscard]] QByteArrayView cleanedLine(QByteArrayView line);

enum class Dialect { V21, V30, V40 };

// One card as the lines of its properties, in the card's own bytes: folded lines are joined, and quoted-printable
// soft line breaks; in 2.1, a photo's data lines too. Lines are joined before anything is decoded, so a fold inside a
// character gives the character back; each line is decoded on its own where it is read. The card is read by its own
// VERSION line: 2.1, 4.0, or 3.0 when it has none. The buffers are kept from card to card.
class CardLines {
public:
    // `card` is the text after its "BEGIN:VCARD"; `last` when the end of the text cuts it, `utf8` when its bytes
    // are known to be well-formed UTF-8. The lines stay valid until the next build and as long as `card` does.
    void build(QByteArrayView card, bool last, bool utf8);

    // A line without a colon goes on with the property line before it: a text value on a new line (a raw line break
    // in a NOTE, Android's continued 2.1 addresses), Base64 data straight on (unindented data lines). A line that
    // follows no property line (VERSION, END:VCARD, an empty line) stays on its own. Cards seldom have such lines,
    // so the reader asks for this only when it meets one; false when nothing was joined.
    bool joinLinesWithoutColon();

    [[nodiscard]] Dialect dialect() const { return m_dialect; }
    [[nodiscard]] std::span<const QByteArrayView> lines() const { return m_lines; }
    // The card's size in bytes: no value of it that is decoded from quoted-printable is longer.
    [[nodiscard]] qsizetype size() const { return m_size; }
    // Whether the card's bytes are well-formed UTF-8 as a whole, and whether the end of the text cuts it.
    [[nodiscard]] bool utf8() const { return m_utf8; }
    [[nodiscard]] bool cut() const { return m_cut; }

private:
    bool joinAgents();
    void findDialect();
    void unfold();

    std::vector<QByteArrayView> m_physical;
    std::vector<QByteArrayView> m_lines;
    std::deque<QByteArray> m_joined; // lines that had to be joined; a deque keeps the views into them valid
    Dialect m_dialect = Dialect::V30;
    bool m_folded = false;     // a line after the first is led by white space
    bool m_emptyValue = false; // a line after the first ends in its colon
    bool m_softBreak = false;  // a line after the first may end in a quoted-printable soft line break
    bool m_utf8 = true;
    bool m_cut = false;
    qsizetype m_size = 0;
};

} // namespace vecardia::vcard
