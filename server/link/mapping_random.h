#pragma once
// The random choices of the random options: one shared generator, safe to use from any thread, and the
// random slot, bank, program and drum kit of one mapping.
#include "tarnbel_mapping.h"

// Seeds the shared generator from the clock.
void RandomizeSharedGenerator();
// Uniform integer 0..n-1 (0 when n <= 0).
int RandomBelow(int n);

// A random filled slot of banks 0-127; bank and program are left unchanged when there is none.
void GetRandomSlot(const TMapping& mapping, int& bank, int& program);
// A bank 0-127 that fills program (-1 when none does); program -1: any bank 0-127.
int GetRandomBank(const TMapping& mapping, int program);
// A filled program of bank (-1 when none is filled); bank -1: any program 0-127.
int GetRandomProgram(const TMapping& mapping, int bank);
// A filled program of the drum-kit bank, else the mapping's default drum kit.
int GetRandomDrumKit(const TMapping& mapping);
