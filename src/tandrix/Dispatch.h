#pragma once

#include <functional>
#include <vector>

struct AppState;
struct MainForm;

// A row of a dispatch table: the item or control number and what its event does. `type` is the
// event type of a control event (2: double click), 0 otherwise.
struct DispatchRow {
    int number;
    std::function<void(AppState&, MainForm&, int type)> action;
};

const std::vector<DispatchRow>& MenuTable();
const std::vector<DispatchRow>& ControlTable();
