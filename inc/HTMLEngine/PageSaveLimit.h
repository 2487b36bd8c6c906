// PageSaveLimit: how often a page may save a level. A page's timers each run once a frame, so a
// page that saved from them would rewrite a level many times a frame. Each view makes at most one
// save a second, whatever pages it loads in between: a save asked for sooner is held and made when
// the second is over, the latest in place of any held before, so a save is delayed, never lost.
// Saves asked for outside every page's script are the game's own and are not limited.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace PageSaveLimit
{
	constexpr std::uint32_t kIntervalMilliseconds = 1000;

	using Save = std::function<void()>;

	// The saves of one view, kept by the view across the pages it loads.
	class Pane
	{
	public:
		Pane();
		// A held save is made before the view goes: the editor's panel may close within the second.
		~Pane();
		Pane(const Pane&) = delete;
		Pane& operator=(const Pane&) = delete;

		// True, and counted, when the pane made no save within the interval before now.
		bool TakeTurn(std::uint32_t now);
		// Keeps the save, in place of one kept before, until the interval is over.
		void Hold(Save save);
		// Makes the held save once the interval since the last one is over.
		void MakeDue(std::uint32_t now);
		// Makes the held save now, whatever the time.
		void MakeHeld();

	private:
		std::optional<std::uint32_t> lastSave;
		Save held;
	};

	// The pane of the page that made the script function now running (a page may call what
	// another page made: the save is that page's), else of the page whose script runs; null when
	// no page's script runs.
	Pane* RequestingPane();
	// The page's clock, which the intervals are measured on.
	std::uint32_t Now();
	// Makes every held save now: before the level they save goes.
	void MakeAllHeld();
}
