#pragma once
// TOSC_Timer: a periodic multimedia timer that calls its handler with a stored value.
#include <windows.h>
#include <cstdint>

using TOSCTimerHandler = void (*)(uint32_t value);

class TOSC_Timer {
 public:
  TOSC_Timer();
  ~TOSC_Timer();
  TOSC_Timer(const TOSC_Timer&) = delete;
  TOSC_Timer& operator=(const TOSC_Timer&) = delete;

  void SetHandler(TOSCTimerHandler handler) { FHandler = handler; }
  void SetUserValue(uint32_t value) { FUserValue = value; }
  // A resolution of 0xFFFFFFFF means half the period.
  void SetPeriod(uint32_t period, uint32_t resolution);

  // Starts the periodic timer; 0 when no handler is set or the system refuses the timer.
  uint32_t Start();
  void Stop();

  uint32_t TimerId() const { return FTimerId; }
  uint32_t Period() const { return FPeriod; }
  uint32_t Resolution() const { return FResolution; }
  uint32_t UserValue() const { return FUserValue; }

 private:
  static void CALLBACK Callback(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  uint32_t FTimerId = 0;
  TOSCTimerHandler FHandler = nullptr;
  uint32_t FUserValue = 0;
  uint32_t FPeriod = 1000;
  uint32_t FResolution = 500;
};
