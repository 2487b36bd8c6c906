// MediaInfo: one entry of a media cache (models, shader programs, textures, primitive meshes):
// the media, the name it was loaded under and how many users hold it.
#pragma once

#include <string>

template <class T>
struct MediaInfo
{
	unsigned referenceCount = 0;
	T data{};
	std::string name;
};
