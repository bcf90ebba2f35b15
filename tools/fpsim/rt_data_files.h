// The printer's RT data files on its web side: on each Z report in RT mode the day's daily
// summary (…_CORRISP.xml) and printed closing (…_ZREPORT.txt) are written under
// <web root>/www/dati-rt/yyyymmdd/, named <serial>-yyyymmddThhnnss_…, so that any web server
// serving the web root shows them as the printer's own server does.
#pragma once

#include <string>
#include <vector>

#include "fpsim/printer_model.h"

namespace qx::fpsim {

// The names of the two files of a closing at aWhen.
std::string RTDataFileStem(const std::string& aSerial, TDateTime aWhen);
// The daily summary and the printed closing of the day in aState (before it is emptied),
// closing number aZNumber at aWhen.
std::string DailySummaryXml(const PrinterState& aState, int aZNumber, TDateTime aWhen);
std::string PrintedClosingText(const PrinterState& aState, int aZNumber, TDateTime aWhen);
// Writes both files under aWebRoot; false when they cannot be written.
bool WriteRTDataFiles(const std::string& aWebRoot, const PrinterState& aState, int aZNumber, TDateTime aWhen);

}  // namespace qx::fpsim
