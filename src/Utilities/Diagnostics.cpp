#include "Utilities/Diagnostics.h"

#include "Utilities/HashMap.h"

#include <iostream>
#include <mutex>

namespace
{
	struct Repeats
	{
		unsigned long count = 0;
		bool reportedThisFrame = true;
		// Counted until the next flush, however many frames pass between its repeats.
		bool lasting = false;
	};

	// The lines printed and still coming. Destroyed at exit, which prints what is still pending.
	class ReportedLines
	{
	public:
		~ReportedLines() { Flush(); }

		void Report(const std::string& line, bool lasting)
		{
			const std::lock_guard lock(mutex);
			const auto found = lines.find(line);
			if (found == lines.end())
			{
				std::cerr << line << '\n';
				Repeats repeats;
				repeats.lasting = lasting;
				lines[line] = repeats;
				return;
			}
			++found->second.count;
			found->second.reportedThisFrame = true;
		}

		void EndFrame()
		{
			const std::lock_guard lock(mutex);
			for (auto entry = lines.begin(); entry != lines.end();)
			{
				if (entry->second.reportedThisFrame || entry->second.lasting)
				{
					entry->second.reportedThisFrame = false;
					++entry;
					continue;
				}
				PrintCount(*entry);
				entry = lines.erase(entry);
			}
		}

		void Flush()
		{
			const std::lock_guard lock(mutex);
			for (const auto& entry : lines)
				PrintCount(entry);
			lines.clear();
		}

	private:
		static void PrintCount(const std::pair<const std::string, Repeats>& entry)
		{
			if (entry.second.count > 0)
				std::cerr << entry.first << " [repeated " << entry.second.count << " more times]\n";
		}

		std::mutex mutex;
		tw::hash_map<std::string, Repeats> lines;
	};

	ReportedLines& Lines()
	{
		static ReportedLines lines;
		return lines;
	}
}

namespace tw
{
	void Diagnostics::Report(const std::string& line)
	{
		Lines().Report(line, false);
	}

	void Diagnostics::ReportOnce(const std::string& line)
	{
		Lines().Report(line, true);
	}

	void Diagnostics::EndFrame()
	{
		Lines().EndFrame();
	}

	void Diagnostics::Flush()
	{
		Lines().Flush();
	}
}
