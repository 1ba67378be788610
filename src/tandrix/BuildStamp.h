#pragma once

#include <cstdint>

// The moment the program file was linked: seconds since 1970-01-01 00:00:00 of the local clock,
// without time zone. Defined by LinkTimeStamp.cpp, which the build compiles anew for every link
// of the program.
std::int64_t BuildTimeStamp();

// The local date and time as the compiler writes them into __DATE__ ("Nov 26 2017", the day
// padded with a blank below 10) and __TIME__ ("22:39:23"), in seconds since 1970-01-01 00:00:00
// without time zone; -1 when the texts are not of that form.
std::int64_t StampOfCompilerDate(const char* date, const char* time);

// "Tandrix build stamp: " followed by __DATE__, a blank and __TIME__ of the link, so the stamp can
// be read from the program file without running it.
extern const char BuildStampMarker[];
