// The crash report: on a fatal signal or an uncaught exception the process writes a text report
// (signal, faulting address, pid, thread, backtrace, memory map) to a file and tells the user
// where it is on stderr, then dies with the signal's default action.
#pragma once

#include <string>

namespace Platform
{
	// Installs the handlers. reportPath is where the report goes, its missing folders made at the
	// crash; empty when no user folder could be found, in which case a crash only says that no
	// report could be saved.
	void InstallCrashReport(const std::string& reportPath);
}
