#pragma once

#include <QString>

#include <array>

namespace vecardia {

// One contact. Every field is text exactly as read or typed; numbers keep their spaces, "+86" and dashes.
struct ContactRecord {
    QString Name;     // the N value as read (never written: the writer builds N from FullName)
    QString FullName; // FN, the name shown and edited
    QString Mobile;
    QString Landline;
    QString Photo;   // 3.0: "ENCODING=B;TYPE=PNG:" + Base64; 2.1: the Base64 data only
    QString Email;   // addresses separated by single spaces
    QString Address; // everything after "ADR;": parameters, colon and value
    QString Starred;
    QString BigPhoto;
    QString Categories; // each category followed by "|"
    QString QQ;
    // What the card held beyond the fields above, written back on save: its other property lines in vCard 3.0 form,
    // in card order, each ended by a line feed (keptlines.h).
    QString Kept;

    friend bool operator==(const ContactRecord &, const ContactRecord &) = default;
};

// The fields by name, for changes that name the field they touch.
enum class Field : quint8 {
    Name,
    FullName,
    Mobile,
    Landline,
    Photo,
    Email,
    Address,
    Starred,
    BigPhoto,
    Categories,
    QQ,
    Kept
};

[[nodiscard]] inline QString &field(ContactRecord &r, Field f)
{
    static constexpr std::array<QString ContactRecord::*, 12> members = {
        &ContactRecord::Name,     &ContactRecord::FullName,   &ContactRecord::Mobile, &ContactRecord::Landline,
        &ContactRecord::Photo,    &ContactRecord::Email,      &ContactRecord::Address, &ContactRecord::Starred,
        &ContactRecord::BigPhoto, &ContactRecord::Categories, &ContactRecord::QQ,     &ContactRecord::Kept};
    return r.*members[std::size_t(f)];
}

[[nodiscard]] inline const QString &field(const ContactRecord &r, Field f)
{
    return field(const_cast<ContactRecord &>(r), f);
}

// The fields that deleting a contact empties: those that make it a contact, and the lines kept with it. The others
// stay in the record.
inline constexpr std::array<Field, 7> kDeletedFields = {Field::Name,     Field::FullName, Field::Photo, Field::Mobile,
                                                        Field::Landline, Field::Starred,  Field::Kept};

} // namespace vecardia
