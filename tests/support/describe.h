// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"

#include <QStringList>

// A record as one short line of its non-empty fields, so a test row can say what it expects at a glance.
inline QString describe(const vecardia::ContactRecord &r)
{
    using namespace Qt::Literals::StringLiterals;
    QStringList parts;
    const auto add = [&](const QString &tag, const QString &value) {
        if (!value.isEmpty())
            parts << tag + u'=' + value;
    };
    add(u"N"_s, r.Name);
    add(u"FN"_s, r.FullName);
    add(u"M"_s, r.Mobile);
    add(u"L"_s, r.Landline);
    add(u"P"_s, QString::fromUtf8(r.Photo));
    add(u"E"_s, r.Email);
    add(u"A"_s, r.Address);
    add(u"S"_s, r.Starred);
    add(u"B"_s, QString::fromUtf8(r.BigPhoto.get()));
    add(u"C"_s, r.Categories);
    add(u"Q"_s, r.QQ);
    return parts.join(u" | "_s);
}

// Every field of a record, the kept lines too, for comparing records whole.
inline QString describeAll(const vecardia::ContactRecord &r)
{
    using namespace Qt::Literals::StringLiterals;
    QString kept = r.Kept.get();
    return describe(r) + u" | K="_s + kept.replace(u'\n', u'¶');
}
