// Globe-centred 3-D points, vectors, quaternions and 3 x 3 matrices.
#include <cmath>

#include "map/earthsysutils.h"

TPoint3D Point3D(Extended longitude, Extended latitude, Extended height) {
  const Extended r = EARTHRADIUS + height;
  Extended sinPhi, cosPhi, sinLambda, cosLambda;
  SinCos(latitude * GU_TORADIANS, sinPhi, cosPhi);
  SinCos(longitude * GU_TORADIANS, sinLambda, cosLambda);
  return {SaturateToInt32(r * cosPhi * sinLambda), SaturateToInt32(r * sinPhi),
          SaturateToInt32(r * cosPhi * cosLambda)};
}

TV3D V3D(Extended x, Extended y, Extended z) {
  TV3D v{x, y, z};
  V3DNormalize(v);
  return v;
}

void V3DNormalize(TV3D& v) {
  const Extended squared = v.X * v.X + v.Y * v.Y + v.Z * v.Z;
  if (squared > 1e-10L) {
    const Extended length = std::sqrt(squared);
    v.X /= length;
    v.Y /= length;
    v.Z /= length;
  }
}

TV3D PointLLToV3D(const TPointLL& p) {
  const TPoint3D q = Point3D(p.iLongX, p.iLatY, p.iHeightZ);
  return V3D(q.X, q.Y, q.Z);
}

TPointLL V3DtoPointLL(const TV3D& v) {
  // atan2 also gives the longitude on the plane Z = 0 (plus or minus 90 degrees).
  const int32_t longitude = SaturateToInt32(std::trunc(ArcTan2(v.X, v.Z) * GU_FROMRADIANS));
  const int32_t latitude = SaturateToInt32(std::trunc(ArcSin(v.Y) * GU_FROMRADIANS));
  return {longitude, latitude, 0};
}

TV3D V3DAdd(const TV3D& a, const TV3D& b) {
  return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}
TV3D V3DSub(const TV3D& a, const TV3D& b) {
  return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
TV3D V3DMul(const TV3D& a, const TV3D& b) {
  return {a.X * b.X, a.Y * b.Y, a.Z * b.Z};
}
Extended V3DDot(const TV3D& a, const TV3D& b) {
  return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

TV3D V3DCross(const TV3D& a, const TV3D& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

TV3D V3DLerp(const TV3D& a, const TV3D& b, Extended t) {
  return {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t, a.Z + (b.Z - a.Z) * t};
}

TV3D V3DMatrixMul(const TMatrix& m, const TV3D& v) {
  TV3D r{m[0] * v.X + m[1] * v.Y + m[2] * v.Z, m[3] * v.X + m[4] * v.Y + m[5] * v.Z,
         m[6] * v.X + m[7] * v.Y + m[8] * v.Z};
  V3DNormalize(r);
  return r;
}

TPointLL PointLLMatrixMul(const TMatrix& m, const TPointLL& p) {
  return V3DtoPointLL(V3DMatrixMul(m, PointLLToV3D(p)));
}

TQuaternion Quat(Extended x, Extended y, Extended z, Extended w) {
  return {x, y, z, w};
}

TQuaternion AxisAngleToQuat(const TV3D& axis, Extended angle) {
  const Extended s = std::sin(angle / 2);
  return {axis.X * s, axis.Y * s, axis.Z * s, std::cos(angle / 2)};
}

void QuatToAxisAngle(const TQuaternion& q, TV3D& axis, Extended& angle) {
  angle = 2 * ArcCos(q.W);
  const Extended s = std::sin(angle / 2);
  if (std::fabs(s) > 1e-10L) {
    axis = {q.X / s, q.Y / s, q.Z / s};
  } else {
    axis = {0, 0, 1};  // no rotation: any axis will do
  }
}

TQuaternion QuatNormalize(const TQuaternion& q) {
  const Extended length = std::sqrt(QuatDot(q, q));
  if (length == 0) return q;
  return {q.X / length, q.Y / length, q.Z / length, q.W / length};
}

TQuaternion QuatMul(const TQuaternion& a, const TQuaternion& b) {
  return {
      a.W * b.X + a.X * b.W + a.Y * b.Z - a.Z * b.Y, a.W * b.Y - a.X * b.Z + a.Y * b.W + a.Z * b.X,
      a.W * b.Z + a.X * b.Y - a.Y * b.X + a.Z * b.W, a.W * b.W - a.X * b.X - a.Y * b.Y - a.Z * b.Z};
}

Extended QuatDot(const TQuaternion& a, const TQuaternion& b) {
  return a.X * b.X + a.Y * b.Y + a.Z * b.Z + a.W * b.W;
}

TQuaternion EulerToQuat(Extended xRot, Extended yRot, Extended zRot) {
  const Extended a = (rtl::Pi - xRot * rtl::Pi / 180) / 2;
  const Extended b = yRot * rtl::Pi / 180 / 2;
  const Extended g = zRot * rtl::Pi / 180 / 2;
  const Extended sa = std::sin(a), ca = std::cos(a);
  const Extended sb = std::sin(b), cb = std::cos(b);
  const Extended sg = std::sin(g), cg = std::cos(g);
  return {cb * sa * cg - sb * ca * sg, cb * sa * sg + sb * ca * cg, cb * ca * sg - sb * sa * cg,
          cb * ca * cg + sb * sa * sg};
}

TMatrix QuatToMatrix(const TQuaternion& q) {
  const Extended x = q.X, y = q.Y, z = q.Z, w = q.W;
  return {1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * w * z,     2 * x * z - 2 * w * y,
          2 * x * y - 2 * w * z,     1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * w * x,
          2 * x * z + 2 * w * y,     2 * y * z - 2 * w * x,     1 - 2 * x * x - 2 * y * y};
}

TQuaternion QuatSlerp(const TQuaternion& a, const TQuaternion& b0, Extended t) {
  TQuaternion b = b0;
  Extended dot = QuatDot(a, b);
  if (dot < 0) {
    dot = -dot;
    b = {-b.X, -b.Y, -b.Z, -b.W};
  }
  Extended wa = 1 - t, wb = t;
  const Extended omega = ArcCos(std::min<Extended>(dot, 1));
  const Extended sinOmega = std::sin(omega);
  // Equal quaternions (omega 0) fall back to the linear weights.
  if (1 - t > 1e-10L && std::fabs(sinOmega) > 1e-10L) {
    wa = std::sin((1 - t) * omega) / sinOmega;
    wb = std::sin(t * omega) / sinOmega;
  }
  return {wa * a.X + wb * b.X, wa * a.Y + wb * b.Y, wa * a.Z + wb * b.Z, wa * a.W + wb * b.W};
}

TQuaternion VectorsToQuat(const TV3D& a, const TV3D& b) {
  const Extended d = V3DDot(a, b);
  if (d > 0.99999L) return {0, 0, 0, 1};
  if (d > -0.99999L) {
    const TV3D c = V3DCross(a, b);
    const Extended s = std::sqrt((1 - d) / 2);
    return {c.X * s, c.Y * s, c.Z * s, std::sqrt((1 + d) / 2)};
  }
  // Opposite vectors: half a turn about an axis perpendicular to a.
  TV3D axis = V3DCross(a, std::fabs(a.X) < 0.9L ? TV3D{1, 0, 0} : TV3D{0, 1, 0});
  V3DNormalize(axis);
  return {axis.X, axis.Y, axis.Z, 0};
}

TMatrix ScaleMatrix(const TMatrix& m, Extended s) {
  TMatrix r = m;
  for (auto& e : r) e *= s;
  return r;
}

void TransposeMatrix(const TMatrix& src, TMatrix& dst) {
  const TMatrix copy = src;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) dst[row * 3 + col] = copy[col * 3 + row];
  }
}
