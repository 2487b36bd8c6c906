// Object archetypes: a file holding what an object's element in a level holds (the object's name,
// then one element per component), so that many objects share one definition. Level loading
// splices archetype files into objects; game code and the level editor create objects from them.
#pragma once

#include "Object.h"

#include <string>

// A new object in the default group with the archetype's name and components, all of them counted
// as inherited (the file is named in its group's record); not started. The dummy handle, and
// nothing created, when the file cannot be read or holds nothing.
Object CreateObjectFromArchetype(const std::string& fileName);
