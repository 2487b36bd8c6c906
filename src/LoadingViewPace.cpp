#include "LoadingViewPace.h"

#include "LoadingView.h"
#include "Utilities/Timer.h"

namespace
{
	struct PaceState
	{
		std::uint32_t lastDraw = 0;
		unsigned draws = 0;
	};

	PaceState& State()
	{
		static PaceState state;
		return state;
	}
}

void LoadingViewPace::DrawWhenDue()
{
	if (GetElapsedMilliseconds() - State().lastDraw >= kIntervalMs)
		DrawNow();
}

void LoadingViewPace::DrawNow()
{
	DrawEngineLoadingView();
	// Taken after the draw, so a slow draw does not leave the next one already due.
	State().lastDraw = GetElapsedMilliseconds();
	++State().draws;
}

unsigned LoadingViewPace::DrawCount()
{
	return State().draws;
}
