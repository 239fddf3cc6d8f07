#pragma once
// The session report's text, from plain facts and the session's figures. Its sections are
// open: later checks hand in sections of their own, which follow the built-in ones.

#include <optional>
#include <string>
#include <vector>

#include "diagnostics/DiagnosticsText.h"
#include "diagnostics/PhysicalScale.h"
#include "diagnostics/SampleClock.h"
#include "diagnostics/TouchStatistics.h"
#include "diagnostics/Verdicts.h"

// What the system said about itself, gathered by the Win32 layer.
struct SystemFacts {
    std::u16string program;        // name and version
    std::u16string windowsVersion; // "10.0.19045"; empty when unknown
    int displayWidth = 0;
    int displayHeight = 0;
    int refreshHz = 0; // 0: unknown
    PhysicalScale scale;
    uint32_t digitizerFlags = 0; // SM_DIGITIZER
    int maxTouches = 0;          // SM_MAXIMUMTOUCHES
    TimeSource timeSource = TimeSource::InputTime;
    uint64_t inputsSeen = 0;
    uint64_t inputsKept = 0;
};

struct ReportSection {
    std::u16string title;
    std::vector<std::u16string> lines;
    std::optional<Verdict> verdict; // shown after the title when given
};

// The report as text with "\r\n" line ends. when: the date and time it was made.
std::u16string BuildSessionReport(const std::u16string& when, const SystemFacts& facts,
                                  const TouchStatistics& statistics,
                                  const std::vector<ReportSection>& extraSections = {},
                                  const TextLookup& lookup = DefaultTextLookup());

// The worst-judged contact for the session's rate line: a failing one before any other, then
// the one with the lowest worst rate. Nothing when no contact had enough reports.
std::optional<ContactFigures> RateWitness(const std::vector<ContactFigures>& contacts,
                                          double refreshHz);

// UTF-8 with a byte-order mark, so that Notepad opens it as UTF-8.
std::string ToUtf8File(const std::u16string& text);
