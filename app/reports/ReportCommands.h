#pragma once

enum class Roster;

// Checks for members of the roster's kind and opens its preview, or says there are none.
void RunRosterCommand(Roster roster);
