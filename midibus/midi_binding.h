#pragma once
// How a program chooses its MIDI: the virtual bus when TARNBEL_MIDI is "virtual" (any case),
// else winmm. Returns whether the bus was bound.
bool BindMidiApiFromEnvironment();
