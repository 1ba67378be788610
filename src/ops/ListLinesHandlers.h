#pragma once

#include <QString>
#include <vector>

struct MainForm;
struct ResultRow;

// The lines of the result list as the file operations read them.
int ListLineCount(const MainForm& form);
// Column 1 text of a line: the row's relative path.
QString ListLinePath(const MainForm& form, int line);
// One flag per line, read from the list's selection in one pass.
std::vector<bool> SelectedLineFlags(const MainForm& form);
int CountSelected(const std::vector<bool>& flags);
// How many of the selected lines show rows that pass `test` (files changed on both sides, entries
// deleted on one side since the last sync …).
int CountSelectedRows(const MainForm& form, const std::vector<bool>& selected,
                      bool (*test)(const ResultRow&));

// Whether the selected lines may be acted on. A line that rests on a scan which could not read all
// that could contradict it (cancelled, or a folder that could not be read) might name a file as
// missing that exists: then the user is told, asked for a new scan, and false is returned.
bool SelectionIsCertain(const MainForm& form, const std::vector<bool>& selected);

// The box at the end of a run in which rows could not be carried out; nothing when none failed.
// `damaged` copies read back wrong from their device ("Kopien prüfen"); `verifyMissedDevice`: a
// read-back may have been answered by a file system's own buffers rather than the device.
void ReportFailures(int failed, int damaged = 0, bool verifyMissedDevice = false);
