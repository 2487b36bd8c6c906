#include "Systems/Physics/UnitShapes.h"

#include <cmath>
#include <numbers>

const Tuple3f ShapeCentroids[kShapeCount] = {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, -0.25f, 0.0f},
	{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};

namespace
{
	constexpr float kHalf = 0.5f;
	constexpr float kRadiusSquared = 0.25f;
	// Below this a direction has no sideways part (cone and cylinder support).
	constexpr float kAxisEpsilon = 1e-4f;
	// A cylinder point this close to a cap lies on the cap.
	constexpr float kCapEdge = 0.4999f;
	// The volume factors in the single precision the tuning was done with.
	constexpr float kEllipsoidFactor = 0.5235987901687622f;
	// sin 60° × 0.5: the hexagon a cylinder cap reports as its face.
	constexpr float kHexagonZ = 0.4330127f;
	// The outward normal of the cone's side, radial and up parts: (1, 0.5) normalised.
	constexpr float kSideNormalRadial = 0.8944272f;
	constexpr float kSideNormalUp = 0.4472136f;

	// ±0.5 by the sign of the component; 0 counts as negative.
	float HalfSign(float value)
	{
		return value > 0.0f ? kHalf : -kHalf;
	}

	// The point at radius 0.5 from the y axis towards (x, z) at height y.
	Tuple3f RimPoint(const Tuple3f& towards, float y)
	{
		const float q = std::sqrt(towards.x * towards.x + towards.z * towards.z);
		return {kHalf * towards.x / q, y, kHalf * towards.z / q};
	}

	// --- support ---

	Tuple3f SphereSupport(const Tuple3f& d)
	{
		return d * static_cast<float>(kHalf / d.Length());
	}

	Tuple3f CubeSupport(const Tuple3f& d)
	{
		return {d.x >= 0.0f ? kHalf : -kHalf, d.y >= 0.0f ? kHalf : -kHalf, d.z >= 0.0f ? kHalf : -kHalf};
	}

	Tuple3f ConeSupport(const Tuple3f& d)
	{
		const Tuple3f apex(0.0f, kHalf, 0.0f);
		if (std::fabs(d.x) < kAxisEpsilon && std::fabs(d.z) < kAxisEpsilon)
			return d.y > 0.0f ? apex : Tuple3f(0.0f, -kHalf, kHalf);
		const Tuple3f rim = RimPoint(d, -kHalf);
		return d.DotProduct(apex - rim) > 0.0f ? apex : rim;
	}

	Tuple3f CylinderSupport(const Tuple3f& d)
	{
		const float y = d.y > 0.0f ? kHalf : -kHalf;
		if (std::fabs(d.x) <= kAxisEpsilon && std::fabs(d.z) <= kAxisEpsilon)
			return {0.0f, y, kHalf};
		Tuple3f rim = RimPoint(d, y);
		if (rim.x == 0.0f && rim.z == 0.0f)
			rim.x = kHalf;
		return rim;
	}

	Tuple3f PlaneSupport(const Tuple3f& d)
	{
		return {d.x > 0.0f ? kHalf : -kHalf, d.y > 0.0f ? kHalf : -kHalf, 0.0f};
	}

	// --- ray tests: the parameter of the first hit, negative for a miss ---

	float SphereRay(const Tuple3f& o, const Tuple3f& d)
	{
		const float a = d.DotProduct(d);
		const float b = o.DotProduct(d);
		const float k = o.DotProduct(o) - kRadiusSquared;
		const float disc = b * b - a * k;
		if (disc < 0.0f || a == 0.0f)
			return -1.0f;
		const float root = std::sqrt(disc);
		const float near = (-b - root) / a;
		// Inside the sphere the near root lies behind: the exit point is the hit.
		return near >= 0.0f ? near : (root - b) / a;
	}

	// t replaces best when it is not behind the origin and comes first.
	bool Earlier(float t, float best)
	{
		return t >= 0.0f && (t < best || best < 0.0f);
	}

	bool WithinSquare(float u, float v)
	{
		return std::fabs(u) <= kHalf && std::fabs(v) <= kHalf;
	}

	float CubeRay(const Tuple3f& o, const Tuple3f& d)
	{
		float best = -1.0f;
		for (int axis = 0; axis < 3; ++axis)
		{
			if (d[axis] == 0.0f)
				continue;
			const int u = (axis + 1) % 3, v = (axis + 2) % 3;
			const auto consider = [&](float face) {
				const float t = (face - o[axis]) / d[axis];
				if (WithinSquare(o[u] + t * d[u], o[v] + t * d[v]) && Earlier(t, best))
					best = t;
			};
			if (o[axis] > -kHalf)
				consider(kHalf);
			if (o[axis] < kHalf)
				consider(-kHalf);
		}
		return best;
	}

	bool WithinRadius(const Tuple3f& o, const Tuple3f& d, float t)
	{
		const float x = o.x + t * d.x, z = o.z + t * d.z;
		return x * x + z * z <= kRadiusSquared;
	}

	// The roots of the side's quadratic a t² + 2 b t + k = 0 against the best cap hit so far: the
	// near root, else the far one, when it lies between the caps.
	float SideRay(const Tuple3f& o, const Tuple3f& d, float a, float b, float k, float best)
	{
		const float disc = b * b - a * k;
		if (disc < 0.0f || a == 0.0f)
			return best;
		const float root = std::sqrt(disc);
		for (const float t : {(-b - root) / a, (root - b) / a})
			if (Earlier(t, best) && std::fabs(o.y + t * d.y) <= kHalf)
				return t;
		return best;
	}

	float ConeRay(const Tuple3f& o, const Tuple3f& d)
	{
		float cap = -1.0f;
		if (d.y != 0.0f)
		{
			const float t = (-kHalf - o.y) / d.y;
			if (WithinRadius(o, d, t))
				cap = t;
		}
		const float fromApex = o.y - kHalf;
		const float a = d.x * d.x + d.z * d.z - kRadiusSquared * d.y * d.y;
		const float b = o.x * d.x + o.z * d.z - kRadiusSquared * d.y * fromApex;
		const float k = o.x * o.x + o.z * o.z - kRadiusSquared * fromApex * fromApex;
		return SideRay(o, d, a, b, k, cap);
	}

	float CylinderRay(const Tuple3f& o, const Tuple3f& d)
	{
		float best = -1.0f;
		if (d.y != 0.0f)
		{
			if (o.y > -kHalf)
			{
				const float t = (kHalf - o.y) / d.y;
				if (WithinRadius(o, d, t))
					best = t;
			}
			if (o.y < kHalf)
			{
				const float t = (-kHalf - o.y) / d.y;
				if (WithinRadius(o, d, t) && Earlier(t, best))
					best = t;
			}
		}
		const float a = d.x * d.x + d.z * d.z;
		const float b = o.x * d.x + o.z * d.z;
		const float k = o.x * o.x + o.z * o.z - kRadiusSquared;
		return SideRay(o, d, a, b, k, best);
	}

	float PlaneRay(const Tuple3f& o, const Tuple3f& d)
	{
		if (d.z == 0.0f)
			return -1.0f;
		const float t = -o.z / d.z;
		return t >= 0.0f && WithinSquare(o.x + t * d.x, o.y + t * d.y) ? t : -1.0f;
	}

	// --- normals ---

	Tuple3f SphereNormal(const Tuple3f& p)
	{
		return p;
	}

	Tuple3f CubeNormal(const Tuple3f& p)
	{
		const float ax = std::fabs(p.x), ay = std::fabs(p.y), az = std::fabs(p.z);
		int axis;
		if (ax <= ay)
			axis = az < ay ? 1 : 2;
		else
			axis = az < ax ? 0 : 2;
		Tuple3f normal;
		normal[axis] = p[axis] > 0.0f ? 1.0f : -1.0f;
		return normal;
	}

	// The cone is left without a normal by the table it came from; the gradient of its surface
	// serves: the base below, else the side's slope (radius 0.5 over height 1).
	Tuple3f ConeNormal(const Tuple3f& p)
	{
		if (p.y < -kCapEdge)
			return {0.0f, -1.0f, 0.0f};
		const float q = std::sqrt(p.x * p.x + p.z * p.z);
		if (q <= kAxisEpsilon)
			return {0.0f, 1.0f, 0.0f};
		return {p.x / q, kHalf, p.z / q};
	}

	Tuple3f CylinderNormal(const Tuple3f& p)
	{
		if (p.y > kCapEdge)
			return {0.0f, 1.0f, 0.0f};
		if (p.y < -kCapEdge)
			return {0.0f, -1.0f, 0.0f};
		return {p.x, 0.0f, p.z};
	}

	Tuple3f PlaneNormal(const Tuple3f&)
	{
		return {0.0f, 0.0f, 1.0f};
	}

	// --- features ---

	struct FeatureQuery
	{
		Tuple3f scaled;
		// The rotated direction normalised.
		Tuple3f n;
		float cosine;
		float sine;
	};

	int SphereFeature(const FeatureQuery& q, Tuple3f* points)
	{
		points[0] = SphereSupport(q.scaled);
		return 1;
	}

	// The face of a cube across axis, counter-clockwise seen from outside. Axes taken cyclically
	// (x → y, z; y → z, x; z → x, y) keep the winding of the +x face for every positive face.
	int CubeFace(int axis, bool positive, Tuple3f* points)
	{
		static constexpr float kCorners[4][2] = {{kHalf, kHalf}, {-kHalf, kHalf}, {-kHalf, -kHalf}, {kHalf, -kHalf}};
		const int u = (axis + 1) % 3, v = (axis + 2) % 3;
		for (int i = 0; i < 4; ++i)
		{
			Tuple3f& point = points[i];
			point[axis] = positive ? kHalf : -kHalf;
			// The negative face runs the other way round.
			point[u] = positive ? kCorners[i][0] : kCorners[i][1];
			point[v] = positive ? kCorners[i][1] : kCorners[i][0];
		}
		return 4;
	}

	int CubeFeature(const FeatureQuery& q, Tuple3f* points)
	{
		for (int axis = 0; axis < 3; ++axis)
			if (std::fabs(q.n[axis]) > q.cosine)
				return CubeFace(axis, q.n[axis] > 0.0f, points);
		for (int axis = 0; axis < 3; ++axis)
			if (std::fabs(q.n[axis]) < q.sine)
			{
				const int u = (axis + 1) % 3, v = (axis + 2) % 3;
				for (int end = 0; end < 2; ++end)
				{
					points[end][axis] = end == 0 ? kHalf : -kHalf;
					points[end][u] = HalfSign(q.n[u]);
					points[end][v] = HalfSign(q.n[v]);
				}
				return 2;
			}
		points[0] = Tuple3f(HalfSign(q.n.x), HalfSign(q.n.y), HalfSign(q.n.z));
		return 1;
	}

	// The cone's base as the diamond of its four rim points on the axes, with the rim point
	// farthest along a tilted direction set between the two corners it lies between. With the
	// diamond alone, a base tilted towards a rim point between two corners would touch where the
	// diamond is not, and its one contact would jump from that rim point (seen as a vertex one
	// step) to a diamond corner a quarter turn away (seen as the base the next), rocking the cone
	// on whatever it lies against.
	int ConeBase(const Tuple3f& n, Tuple3f* points)
	{
		static constexpr float kDiamond[4][2] = {{kHalf, 0.0f}, {0.0f, kHalf}, {-kHalf, 0.0f}, {0.0f, -kHalf}};
		// The quarter, counted from +x towards +z, whose open arc holds the tilt; -1 without one.
		int quarter = -1;
		if (std::fabs(n.x) > kAxisEpsilon && std::fabs(n.z) > kAxisEpsilon)
			quarter = n.x > 0.0f ? (n.z > 0.0f ? 0 : 3) : (n.z > 0.0f ? 1 : 2);
		int count = 0;
		for (int i = 0; i < 4; ++i)
		{
			points[count++] = Tuple3f(kDiamond[i][0], -kHalf, kDiamond[i][1]);
			if (i == quarter)
				points[count++] = RimPoint(n, -kHalf);
		}
		return count;
	}

	// The cone's feature follows the scaled direction; it is normalised here so that the face test
	// against the tolerance's cosine does not depend on the cone's size.
	int ConeFeature(const FeatureQuery& q, Tuple3f* points)
	{
		const Tuple3f n = q.scaled.Normalize();
		const Tuple3f apex(0.0f, kHalf, 0.0f);
		// A cone lying on its side touches along the line from apex to rim; with the apex alone it
		// would rock about that point and a pile of cones would never come to rest.
		const float sideways = std::sqrt(n.x * n.x + n.z * n.z);
		if (sideways * kSideNormalRadial + n.y * kSideNormalUp > q.cosine)
		{
			points[0] = apex;
			points[1] = RimPoint(n, -kHalf);
			return 2;
		}
		if (n.y > 0.0f)
		{
			points[0] = apex;
			return 1;
		}
		if (n.y == 0.0f)
		{
			points[0] = apex;
			points[1] = RimPoint(n, -kHalf);
			return 2;
		}
		if (n.y < -q.cosine)
			return ConeBase(n, points);
		points[0] = RimPoint(n, -kHalf);
		return 1;
	}

	int CylinderFeature(const FeatureQuery& q, Tuple3f* points)
	{
		const float y = q.n.y > 0.0f ? kHalf : -kHalf;
		if (std::fabs(q.n.y) > q.cosine)
		{
			const float s = q.n.y > 0.0f ? 1.0f : -1.0f;
			static constexpr float kHexagon[6][2] = {{kHalf, 0.0f}, {0.25f, kHexagonZ}, {-0.25f, kHexagonZ}, {-kHalf, 0.0f},
				{-0.25f, -kHexagonZ}, {0.25f, -kHexagonZ}};
			for (int i = 0; i < 6; ++i)
				points[i] = Tuple3f(kHexagon[i][0], y, kHexagon[i][1] * s);
			return 6;
		}
		if (std::fabs(q.n.y) < q.sine)
		{
			points[0] = RimPoint(q.n, kHalf);
			points[1] = RimPoint(q.n, -kHalf);
			return 2;
		}
		points[0] = RimPoint(q.n, y);
		return 1;
	}

	int PlaneFeature(const FeatureQuery& q, Tuple3f* points)
	{
		const Tuple3f& n = q.n;
		if (std::fabs(n.z) > q.cosine)
		{
			points[0] = Tuple3f(kHalf, kHalf, 0.0f);
			points[1] = Tuple3f(kHalf, -kHalf, 0.0f);
			points[2] = Tuple3f(-kHalf, -kHalf, 0.0f);
			points[3] = Tuple3f(-kHalf, kHalf, 0.0f);
			return 4;
		}
		if (std::fabs(n.x) < q.sine)
		{
			points[0] = Tuple3f(kHalf, HalfSign(n.y), 0.0f);
			points[1] = Tuple3f(-kHalf, HalfSign(n.y), 0.0f);
			return 2;
		}
		if (std::fabs(n.y) < q.sine)
		{
			points[0] = Tuple3f(HalfSign(n.x), kHalf, 0.0f);
			points[1] = Tuple3f(HalfSign(n.x), -kHalf, 0.0f);
			return 2;
		}
		points[0] = Tuple3f(HalfSign(n.x), HalfSign(n.y), 0.0f);
		return 1;
	}

	// --- volumes ---

	float SphereVolume(const Tuple3f& s)
	{
		return kEllipsoidFactor * s.x * s.y * s.z;
	}

	float CubeVolume(const Tuple3f& s)
	{
		return s.x * s.y * s.z;
	}

	// The radius follows x alone.
	float ConeVolume(const Tuple3f& s)
	{
		const float radius = s.x / 2.0f;
		return std::numbers::pi_v<float> * radius * radius * s.y / 3.0f;
	}

	float CylinderVolume(const Tuple3f& s)
	{
		return std::numbers::pi_v<float> * s.x * s.x * s.y / 4.0f;
	}

	float PlaneVolume(const Tuple3f&)
	{
		return 0.0f;
	}

	struct ShapeFunctions
	{
		Tuple3f (*support)(const Tuple3f&);
		float (*ray)(const Tuple3f&, const Tuple3f&);
		Tuple3f (*normal)(const Tuple3f&);
		int (*feature)(const FeatureQuery&, Tuple3f*);
		float (*volume)(const Tuple3f&);
	};

	constexpr ShapeFunctions kShapes[kShapeCount] = {
		{SphereSupport, SphereRay, SphereNormal, SphereFeature, SphereVolume},
		{CubeSupport, CubeRay, CubeNormal, CubeFeature, CubeVolume},
		{ConeSupport, ConeRay, ConeNormal, ConeFeature, ConeVolume},
		{CylinderSupport, CylinderRay, CylinderNormal, CylinderFeature, CylinderVolume},
		{PlaneSupport, PlaneRay, PlaneNormal, PlaneFeature, PlaneVolume},
	};

	// Shape indices come from the shape-name map, which only holds valid ones; anything else is
	// taken as the sphere, as an unknown name is.
	const ShapeFunctions& Shape(int shape)
	{
		return kShapes[shape >= 0 && shape < kShapeCount ? shape : kShapeSphere];
	}
}

namespace UnitShape
{
	Tuple3f Support(int shape, const Tuple3f& direction)
	{
		return Shape(shape).support(direction);
	}

	bool RayCast(int shape, const Tuple3f& origin, const Tuple3f& direction, Tuple3f& hit)
	{
		const float t = Shape(shape).ray(origin, direction);
		if (!(t >= 0.0f))
			return false;
		hit = origin + direction * t;
		return true;
	}

	Tuple3f Normal(int shape, const Tuple3f& point)
	{
		return Shape(shape).normal(point);
	}

	int Feature(int shape, const Tuple3f& scaledDirection, const Tuple3f& rotatedDirection, float cosine, float sine,
		Tuple3f* points)
	{
		return Shape(shape).feature({scaledDirection, rotatedDirection.Normalize(), cosine, sine}, points);
	}

	float Volume(int shape, const Tuple3f& size)
	{
		return Shape(shape).volume(size);
	}

	const std::vector<Tuple3f>& NavigationVertices(int shape)
	{
		static const std::vector<Tuple3f> square = {{-kHalf, kHalf, 0.0f}, {-kHalf, -kHalf, 0.0f}, {kHalf, -kHalf, 0.0f},
			{kHalf, kHalf, 0.0f}};
		static const std::vector<Tuple3f> cube = {{-kHalf, kHalf, kHalf}, {-kHalf, -kHalf, kHalf}, {kHalf, -kHalf, kHalf},
			{kHalf, kHalf, kHalf}, {-kHalf, kHalf, -kHalf}, {-kHalf, -kHalf, -kHalf}, {kHalf, -kHalf, -kHalf},
			{kHalf, kHalf, -kHalf}};
		return shape == kShapePlane ? square : cube;
	}

	const std::vector<IndexTriple>& NavigationTriangles(int shape)
	{
		static const std::vector<IndexTriple> square = {{0, 1, 2}, {0, 2, 3}};
		static const std::vector<IndexTriple> cube = {{0, 1, 2}, {0, 2, 3}, {4, 0, 3}, {4, 3, 7}, {5, 2, 1}, {5, 2, 6},
			{4, 6, 5}, {4, 7, 6}, {4, 1, 5}, {4, 0, 1}, {7, 2, 6}, {7, 3, 2}};
		return shape == kShapePlane ? square : cube;
	}
}
