// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contacttable.h"

#include <algorithm>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

ContactTable::ContactTable()
{
    reset();
}

void ContactTable::reset()
{
    m_records.clear();
    m_records.shrink_to_fit();
    m_records.emplace_back();
}

void ContactTable::reserve(int contacts)
{
    if (contacts > 0)
        m_records.reserve(std::size_t(upperIndex()) + std::size_t(contacts) + 1);
}

int ContactTable::append()
{
    if (upperIndex() == std::numeric_limits<int>::max())
        return 0;
    m_records.emplace_back();
    return upperIndex();
}

int ContactTable::appendEmpty(int count)
{
    const int first = upperIndex() + 1;
    m_records.resize(m_records.size() + std::size_t(count));
    return first;
}

int ContactTable::append(ContactRecord &&record)
{
    const int index = append();
    if (index > 0)
        m_records.back() = std::move(record);
    return index;
}

void ContactTable::removeLast()
{
    if (upperIndex() > 0)
        m_records.pop_back();
}

std::vector<ContactRecord> ContactTable::takeAbove(int upper)
{
    std::vector<ContactRecord> taken;
    while (upperIndex() > std::max(upper, 0)) {
        taken.push_back(std::move(m_records.back()));
        m_records.pop_back();
    }
    return taken;
}

bool ContactTable::isLive(const ContactRecord &record)
{
    return !record.FullName.isEmpty() || !record.Mobile.isEmpty() || !record.Landline.isEmpty();
}

QString ContactTable::keyOf(int index)
{
    return u"k"_s + QString::number(index);
}

int ContactTable::indexOfKey(QStringView key)
{
    if (key.size() < 2)
        return 0;
    bool ok = false;
    const int index = key.mid(1).toInt(&ok);
    return ok ? index : 0;
}

void ContactTable::清空数组单个数据(int index)
{
    ContactRecord &r = (*this)[index];
    for (Field f : kDeletedFields)
        setField(r, f, QString());
    r.Photo.clear();
}

} // namespace vecardia
