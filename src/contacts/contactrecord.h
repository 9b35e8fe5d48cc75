// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

namespace vecardia {

// A field that most records leave empty: it costs the record a pointer until it is set. It reads as the value it
// holds (an empty one when unset) and is set by assignment.
template<typename T>
class Sparse {
public:
    Sparse() = default;
    Sparse(T value) { *this = std::move(value); } // NOLINT: a field is set from its value
    Sparse(const Sparse &other) : m_value(other.m_value ? std::make_unique<T>(*other.m_value) : nullptr) {}
    Sparse(Sparse &&) noexcept = default;
    Sparse &operator=(const Sparse &other)
    {
        if (this != &other)
            *this = other.get();
        return *this;
    }
    Sparse &operator=(Sparse &&) noexcept = default;
    Sparse &operator=(T value)
    {
        if (value.isEmpty())
            m_value.reset();
        else if (m_value)
            *m_value = std::move(value);
        else
            m_value = std::make_unique<T>(std::move(value));
        return *this;
    }

    [[nodiscard]] const T &get() const { return m_value ? *m_value : empty(); }
    operator const T &() const { return get(); } // NOLINT: reads as its value
    [[nodiscard]] bool isEmpty() const { return !m_value; }
    [[nodiscard]] qsizetype size() const { return m_value ? m_value->size() : 0; }
    void clear() { m_value.reset(); }

    friend bool operator==(const Sparse &a, const Sparse &b) { return a.get() == b.get(); }
    friend bool operator==(const Sparse &a, const T &b) { return a.get() == b; }

private:
    static const T &empty()
    {
        static const T nothing;
        return nothing;
    }
    std::unique_ptr<T> m_value; // never holds an empty value
};

// One contact. Every field is text exactly as read or typed; numbers keep their spaces, "+86" and dashes.
struct ContactRecord {
    QString Name;     // the N value as read (never written: the writer builds N from FullName)
    QString FullName; // FN, the name shown and edited
    QString Mobile;
    QString Landline;
    // The photo in vCard 3.0 form, as the UTF-8 bytes it was read as: its parameters, a colon and the Base64 data
    // ("ENCODING=B;TYPE=PNG:iVBOR…"), or "VALUE=uri:" and a URI. Decoded only when it is shown. Most contacts
    // have none, so it costs them a pointer.
    Sparse<QByteArray> Photo;
    QString Email; // addresses separated by single spaces
    QString QQ;
    // The fields below are empty in most books.
    Sparse<QString> Address; // everything after "ADR;": parameters, colon and value
    Sparse<QString> Starred;
    Sparse<QByteArray> BigPhoto; // Base64, as read
    Sparse<QString> Categories;  // each category followed by "|"
    // What the card held beyond the fields above, written back on save: its other property lines in vCard 3.0 form,
    // in card order, each ended by a line feed (keptlines.h).
    Sparse<QString> Kept;

    friend bool operator==(const ContactRecord &, const ContactRecord &) = default;
};

// The text fields by name, for changes that name the field they touch.
enum class Field : quint8 { Name, FullName, Mobile, Landline, Email, Address, Starred, Categories, QQ, Kept };
inline constexpr int kTextFields = 10;
// The photo fields, held as bytes.
enum class PhotoField : quint8 { Photo, BigPhoto };

[[nodiscard]] inline const QString &field(const ContactRecord &r, Field f)
{
    switch (f) {
    case Field::Name: return r.Name;
    case Field::FullName: return r.FullName;
    case Field::Mobile: return r.Mobile;
    case Field::Landline: return r.Landline;
    case Field::Email: return r.Email;
    case Field::Address: return r.Address;
    case Field::Starred: return r.Starred;
    case Field::Categories: return r.Categories;
    case Field::QQ: return r.QQ;
    case Field::Kept: return r.Kept;
    }
    return r.Name;
}

inline void setField(ContactRecord &r, Field f, QString value)
{
    switch (f) {
    case Field::Name: r.Name = std::move(value); break;
    case Field::FullName: r.FullName = std::move(value); break;
    case Field::Mobile: r.Mobile = std::move(value); break;
    case Field::Landline: r.Landline = std::move(value); break;
    case Field::Email: r.Email = std::move(value); break;
    case Field::Address: r.Address = std::move(value); break;
    case Field::Starred: r.Starred = std::move(value); break;
    case Field::Categories: r.Categories = std::move(value); break;
    case Field::QQ: r.QQ = std::move(value); break;
    case Field::Kept: r.Kept = std::move(value); break;
    }
}

[[nodiscard]] inline const QByteArray &photoField(const ContactRecord &r, PhotoField f)
{
    return f == PhotoField::Photo ? r.Photo.get() : r.BigPhoto.get();
}

inline void setPhotoField(ContactRecord &r, PhotoField f, QByteArray value)
{
    if (f == PhotoField::Photo)
        r.Photo = std::move(value);
    else
        r.BigPhoto = std::move(value);
}

// The fields that deleting a contact empties: those that make it a contact, its photo, and the lines kept with it.
// The others stay in the record.
inline constexpr std::array<Field, 6> kDeletedFields = {Field::Name,     Field::FullName, Field::Mobile,
                                                        Field::Landline, Field::Starred,  Field::Kept};

} // namespace vecardia
