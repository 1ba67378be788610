#include "sets/FilterText.h"

#include "text/FoldCase.h"
#include "text/TrimSpaces.h"

#include "sets/SetList.h"

#include <algorithm>

const QString OptionIgnoreDate = QStringLiteral("IgnoreDate");
const QString OptionOnlyToTarget = QStringLiteral("ScannRichtung>");
const QString OptionOnlyToSource = QStringLiteral("ScannRichtung<");
const QString OptionVerifyCopies = QStringLiteral("KopienPruefen");
const QString OptionNoVerify = QStringLiteral("KopienUngeprueft");
const QString OptionNoTrash = QStringLiteral("OhnePapierkorb");

QStringList SplitFilterWords(const QString& text) {
    QStringList words;
    for (const QString& field : text.split(u'|'))
        words << TrimSpaces(field);
    return words;
}

void SortFilterWords(QStringList& words) {
    std::stable_sort(words.begin(), words.end(), LessFoldingAZ);
}

QString JoinFilterWords(const QStringList& words) {
    QString text;
    for (const QString& word : words) {
        if (word.isEmpty())
            continue;
        if (!text.isEmpty())
            text += u'|';
        text += word;
    }
    return text;
}

QString FilterFromEditorText(const QString& editorText) {
    QString text = FoldCase(editorText);
    // Every kind of line break separates words, so none can end up inside one.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    text.replace(u'\r', u'|');
    text.replace(u'\n', u'|');
    text.replace(QChar::LineSeparator, u'|');
    text.replace(QChar::ParagraphSeparator, u'|');
    QStringList words = SplitFilterWords(text);
    SortFilterWords(words);
    return JoinFilterWords(words);
}

QString EditorTextFromFilter(const QString& filter) {
    QString text = filter;
    text.replace(u'|', u'\n');
    return text;
}

void SetOptionWord(QString& options, const QString& word, bool on) {
    if (on) {
        if (!options.contains(word))
            options += word;
    } else {
        options.remove(word);
    }
}

int DirectionItemFor(const QString& options) {
    if (options.contains(OptionOnlyToTarget))
        return 1;
    if (options.contains(OptionOnlyToSource))
        return 2;
    return 0;
}

QString OptionsAfterFilterWindow(QString options, int direction, bool ignoreDate) {
    SetOptionWord(options, OptionOnlyToTarget, false);
    SetOptionWord(options, OptionOnlyToSource, false);
    if (direction == 1)
        SetOptionWord(options, OptionOnlyToTarget, true);
    else if (direction == 2)
        SetOptionWord(options, OptionOnlyToSource, true);
    SetOptionWord(options, OptionIgnoreDate, ignoreDate);
    return options;
}

bool VerifiesCopies(const QString& options, bool removable) {
    if (options.contains(OptionVerifyCopies))
        return true;
    return !options.contains(OptionNoVerify) && removable;
}

QString OptionsAfterVerifyBox(QString options, bool ticked, bool removable) {
    if (ticked == VerifiesCopies(options, removable))
        return options;
    SetOptionWord(options, OptionVerifyCopies, ticked && !removable);
    SetOptionWord(options, OptionNoVerify, !ticked && removable);
    return options;
}
