// Diagnostics: the way to print a diagnostic that can arise every frame (a binding condition that
// divides by zero, a handler reading the wrong argument type). A line is printed once; while it
// keeps coming, it is only counted, and the count is printed when a frame passes without it or at exit.
#pragma once

#include <string>

namespace tw
{
	class Diagnostics
	{
	public:
		// Prints line (a line break is added) unless it was reported since the last frame ended;
		// then it only counts the repeat.
		static void Report(const std::string& line);
		// For a problem that lasts (a file that cannot be read): printed the first time, then only
		// counted until the next flush, however far apart its repeats come.
		static void ReportOnce(const std::string& line);
		// Ends a frame: lines not reported during it have stopped, and their repeat counts are printed.
		static void EndFrame();
		// Prints every pending repeat count and forgets every line. Runs at exit too.
		static void Flush();
	};
}
