#include "Components/Graphics/CompositePrimitive.h"

#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>

#include <iostream>

namespace
{
	constexpr int kValuesPerPiece = 6;
	// The rendering engine's stored-render-entry kind: its draw flag is never re-evaluated.
	constexpr int kUntestedEntry = 4;
}

bool CompositePrimitive::Load(Serializer& serializer)
{
	visible = true;
	// Values only: a read never steps over an element, so reading on at one would never end.
	for (int piece = 0; serializer.HasValue(); ++piece)
	{
		std::string shapeName;
		int stacks = 0;
		int slices = 0;
		CompositeData data;
		int values = 0;
		const auto next = [&](auto& value) {
			if (serializer.HasValue())
			{
				serializer.Read(value);
				++values;
			}
		};
		next(shapeName);
		next(stacks);
		next(slices);
		next(data.offset);
		next(data.scale);
		next(data.rotation);
		const std::string where = "CompositePrimitive of object \"" + owner->GetName() + "\", piece " + std::to_string(piece);
		if (values < kValuesPerPiece)
		{
			std::cout << where << ": the file ends after " << values << " of its " << kValuesPerPiece << " values\n";
			break;
		}
		const int shape = ShapeFromName(shapeName);
		if (shape == kNoShape)
			std::cout << where << ": unknown shape \"" << shapeName << "\"; the piece draws nothing\n";
		data.mesh = GetPrimitiveData(shape, stacks, slices);
		pieces.push_back(data);
	}
	if (serializer.HasMore())
		std::cout << "CompositePrimitive of object \"" << owner->GetName() << "\": an element stands where a piece's value belongs; the rest is skipped\n";
	return true;
}

bool CompositePrimitive::Serialize(Serializer& serializer)
{
	for (const CompositeData& piece : pieces)
	{
		const PrimitiveData empty;
		const PrimitiveData& mesh = piece.mesh != nullptr ? piece.mesh->media : empty;
		serializer.Write("shape", ShapeName(mesh.shape));
		serializer.Write("stacks", mesh.stacks);
		serializer.Write("slices", mesh.slices);
		serializer.Write("offset", piece.offset);
		serializer.Write("scale", piece.scale);
		serializer.Write("rotation", piece.rotation);
	}
	return true;
}

bool CompositePrimitive::Start()
{
	StartRenderEntry(compositeEntry, kUntestedEntry, &Graphics::IsOutsideView);
	return true;
}

bool CompositePrimitive::Update()
{
	if (!visible || !compositeEntry.draw)
		return false;
	if (!PushObjectPlacement())
		return false;
	for (const CompositeData& piece : pieces)
	{
		glPushMatrix();
		glTranslatef(piece.offset.x, piece.offset.y, piece.offset.z);
		// Unlike the object's own rotation, a piece's is written in degrees.
		const float degrees = static_cast<float>(piece.rotation.Length());
		if (degrees > 0.0f)
			glRotatef(degrees, piece.rotation.x, piece.rotation.y, piece.rotation.z);
		glScalef(piece.scale.x, piece.scale.y, piece.scale.z);
		if (piece.mesh != nullptr)
			DrawWithTangents(*piece.mesh, Attribute::CompositeTangent, Attribute::CompositeBinormal);
		glPopMatrix();
	}
	glPopMatrix();
	return true;
}

void CompositePrimitive::Release()
{
	for (CompositeData& piece : pieces)
		ReleaseMedia(piece.mesh);
}

void CompositePrimitive::Detach()
{
	StopRenderEntry(compositeEntry);
}
