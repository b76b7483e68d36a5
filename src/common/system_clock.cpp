#include "common/system_clock.h"

#include <windows.h>

namespace zt {

LocalTime SystemClock::now() const {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.weekday = st.wDayOfWeek;
    return t;
}

std::uint64_t SystemClock::tickMs() const { return GetTickCount64(); }

}  // namespace zt
