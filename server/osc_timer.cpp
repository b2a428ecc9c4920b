#include "osc_timer.h"

#include <mmsystem.h>

TOSC_Timer::TOSC_Timer() { SetPeriod(1000, 0xFFFFFFFFu); }

TOSC_Timer::~TOSC_Timer() { Stop(); }

void TOSC_Timer::SetPeriod(uint32_t period, uint32_t resolution) {
  FPeriod = period;
  FResolution = resolution == 0xFFFFFFFFu ? period >> 1 : resolution;
}

uint32_t TOSC_Timer::Start() {
  if (!FHandler) return 0;
  Stop();  // a second start must not leave the first timer running unowned
  // The callback reads handler and value through the object, so it must not outlive it: Stop kills it.
  FTimerId = timeSetEvent(FPeriod, FResolution, &TOSC_Timer::Callback, reinterpret_cast<DWORD_PTR>(this),
                          TIME_PERIODIC);
  return FTimerId;
}

void TOSC_Timer::Stop() {
  if (FTimerId != 0) timeKillEvent(FTimerId);
  FTimerId = 0;
}

void CALLBACK TOSC_Timer::Callback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* timer = reinterpret_cast<TOSC_Timer*>(user);
  if (TOSCTimerHandler handler = timer->FHandler) handler(timer->FUserValue);
}
