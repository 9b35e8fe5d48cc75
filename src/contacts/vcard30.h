// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/vcardsyntax.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// vCard 2.1 and 4.0 lines in the vCard 3.0 form that a record keeps and a save writes: 2.1 values decoded and
// escaped as 3.0 text, Base64 data unfolded, photos with 3.0 parameters, 4.0 URIs and parameters as 3.0 has them.
namespace vecardia::vcard {

// What a 2.1 line's parameters say of its value: quoted-printable text in a charset, Base64 data, or plain text, and
// the other parameters in 3.0 form (";KEY=value" each, bare words as TYPE).
struct Encoding21 {
    bool quotedPrintable = false;
    bool base64 = false;
    QByteArrayView charset;
    QByteArray others;
};
[[nodiscard]] Encoding21 encoding21(QByteArrayView params);

// A photo line's value in the 3.0 form the record keeps: parameters, a colon and the Base64 data, or "VALUE=uri:"
// and a URI. Nothing when the line holds no photo.
[[nodiscard]] std::optional<QByteArray> photo21(const Property &p);
[[nodiscard]] std::optional<QByteArray> photo40(const Property &p);

// 4.0 parameters in 3.0 form, each after a ";": PREF=n as TYPE=pref, those 3.0 has no name for under an X- name;
// VALUE left out with `dropValue`, where the value takes 3.0's own form.
[[nodiscard]] QByteArray parameters30(QByteArrayView params, bool dropValue);

// A whole line in 3.0 form: a 4.0 line with 3.0's properties, parameters and values; a 2.1 line (or a 3.0 one in
// quoted-printable) decoded and escaped.
[[nodiscard]] QByteArray line30From40(QByteArrayView line, const Property &p);
// `gb18030First` when the book's values that name no charset are mostly GB18030.
[[nodiscard]] QByteArray line30From21(QByteArrayView line, const Property &p, bool gb18030First = false);

// Whether a value holds white space (blanks, or line breaks a line without a colon brought), and the value without
// it: Base64 data holds none.
[[nodiscard]] bool holdsWhiteSpace(QByteArrayView v);
[[nodiscard]] QByteArray withoutWhiteSpace(QByteArrayView v);
// Line breaks inside a line as 3.0 writes them: "\n".
[[nodiscard]] QByteArray withLineBreaksEscaped(QByteArrayView line);

} // namespace vecardia::vcard
