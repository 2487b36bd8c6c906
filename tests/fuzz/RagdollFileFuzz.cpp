// Fuzzes the ragdoll file reader: the input is read as a whole ragdoll file; a skeleton that
// loads must have at least one bone and every parent an earlier bone of the same skeleton, which
// is what the ragdoll relies on when it walks from a bone up to its ancestors.
#include "Components/Physics/RagdollFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	std::string problem;
	const std::vector<RagdollBone> bones = RagdollFile::Read(std::span<const std::uint8_t>(data, size), problem);
	if (bones.empty() != !problem.empty() || (!bones.empty() && bones.front().parent != nullptr))
		__builtin_trap();
	for (std::size_t index = 1; index < bones.size(); ++index)
	{
		const RagdollBone* parent = bones[index].parent;
		if (parent < bones.data() || parent >= &bones[index])
			__builtin_trap();
	}
	return 0;
}
