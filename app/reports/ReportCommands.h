#pragma once

// The rosters of the Reports menu, in menu order.
enum class Roster { All, Regular, Family, Life, Senior, Sports, Pool, Junior };

// Checks for members of the roster's kind and opens its preview, or says there are none.
void RunRosterCommand(Roster roster);
