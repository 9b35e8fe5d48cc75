#pragma once

#include <QString>

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

    friend bool operator==(const ContactRecord &, const ContactRecord &) = default;
};

} // namespace vecardia
