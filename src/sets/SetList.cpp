#include "sets/SetList.h"

#include <algorithm>

int FindSet(SetList& list, const QString& name) {
    const QString wanted = name.toLower();
    for (int i = 0; i < int(list.sets.size()); ++i) {
        if (list.sets[size_t(i)].Name.toLower() == wanted) {
            list.current = i;
            return i;
        }
    }
    list.current = int(list.sets.size()) - 1;
    return -1;
}

static char16_t foldAZ(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
}

bool LessFoldingAZ(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = foldAZ(a[i].unicode());
        const char16_t cb = foldAZ(b[i].unicode());
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

void SortSets(SetList& list) {
    std::vector<int> order(list.sets.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return LessFoldingAZ(list.sets[size_t(x)].Name, list.sets[size_t(y)].Name);
    });
    std::vector<SyncSet> sorted;
    sorted.reserve(list.sets.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == list.current)
            newCurrent = int(i);
        sorted.push_back(std::move(list.sets[size_t(order[i])]));
    }
    list.sets = std::move(sorted);
    list.current = newCurrent;
}

void AddSet(SetList& list, SyncSet set) {
    const int at = (list.current >= 0 && list.current < int(list.sets.size())) ? list.current + 1 : 0;
    list.sets.insert(list.sets.begin() + at, std::move(set));
    list.current = at;
}

void RemoveSet(SetList& list, int index) {
    if (index < 0 || index >= int(list.sets.size()))
        return;
    list.sets.erase(list.sets.begin() + index);
    list.current = list.sets.empty() ? -1 : std::max(0, index - 1);
}

QString NameProblem(const QString& name) {
    // The name is a key of group "Sets" and part of a group line: these characters would end the
    // key or the group name early, or turn the line into a comment or a group line.
    const QString prefix = QStringLiteral("Dieser Name kann nicht gespeichert werden: ");
    if (name.contains(u'\r') || name.contains(u'\n'))
        return prefix + QStringLiteral("Er darf keinen Zeilenumbruch enthalten.");
    if (name.contains(u'='))
        return prefix + QStringLiteral("Er darf kein \"=\" enthalten.");
    if (name.contains(u']'))
        return prefix + QStringLiteral("Er darf kein \"]\" enthalten.");
    if (name.startsWith(u';') || name.startsWith(u'['))
        return prefix + QStringLiteral("Er darf nicht mit \";\" oder \"[\" beginnen.");
    if (name != name.trimmed())
        return prefix + QStringLiteral("Er darf nicht mit Leerzeichen beginnen oder enden.");
    return {};
}
