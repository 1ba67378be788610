#pragma once

#include <QString>
#include <QStringList>

// The words of a filter text: its "|"-fields without leading and trailing spaces, empty ones kept.
QStringList SplitFilterWords(const QString& text);

// Sorts the words by character with only A to Z folded to lower case; equal words keep their order.
void SortFilterWords(QStringList& words);

// The words joined by "|"; empty words add nothing, duplicates stay.
QString JoinFilterWords(const QStringList& words);

// The filter text the editor's lines give: lower case, lines and "|" both separate words, sorted.
QString FilterFromEditorText(const QString& editorText);

// The editor's text for a filter: one word per line.
QString EditorTextFromFilter(const QString& filter);

// Adds the option word to `options` when `on` and it is missing; removes every occurrence when off.
void SetOptionWord(QString& options, const QString& word, bool on);

// The direction item the filter window preselects: 1 (">"), 2 ("<") or 0 ("<>").
int DirectionItemFor(const QString& options);

// Options after the filter window's OK with direction item `direction` and "Ignoriere Datum" set
// or not.
QString OptionsAfterFilterWindow(QString options, int direction, bool ignoreDate);

extern const QString OptionIgnoreDate;
extern const QString OptionOnlyToTarget; // "ScannRichtung>"
extern const QString OptionOnlyToSource; // "ScannRichtung<"
extern const QString OptionVerifyCopies; // "KopienPruefen": "Kopien prüfen" ticked by the user
extern const QString OptionNoVerify;     // "KopienUngeprueft": "Kopien prüfen" cleared by the user

// Whether copies onto a side are read back from its device: as the user set it for the set, and
// where the user never did, when that side lies on a removable drive.
bool VerifiesCopies(const QString& options, bool removable);
// Options after the filter window's OK with "Kopien prüfen" `ticked`; `removable` is what the box
// showed unset. A box left as it showed stores nothing, so the set keeps following its drive.
QString OptionsAfterVerifyBox(QString options, bool ticked, bool removable);
// Deleted entries and replaced versions go for good, not into the trash. The exception is the
// word, so a set written before the trash existed reads as "into the trash".
extern const QString OptionNoTrash; // "OhnePapierkorb"
