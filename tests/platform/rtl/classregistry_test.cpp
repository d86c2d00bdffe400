#include "platform/rtl/classregistry.h"

#include <gtest/gtest.h>

#include <memory>

using namespace rtl;

namespace {

class TShape : public TPersistent {
 public:
  explicit TShape(int id = 0) : id(id) {}
  int id;
};
class TCircle : public TShape {
 public:
  using TShape::TShape;
  double radius = 1;
};
class TOther : public TPersistent {};

}  // namespace

TEST(ClassRegistry, FindsByNameWithoutRegardToCaseAndCreates) {
  const TClass shape = RegisterClass<TShape>("TShape", [](int id) { return new TShape(id); });
  const TClass circle = RegisterClass<TCircle>("TCircle", [](int id) { return new TCircle(id); });
  RegisterClass<TOther>("TOther");

  EXPECT_EQ(FindClass("tcircle"), circle);
  EXPECT_EQ(GetClass("TSHAPE"), shape);
  EXPECT_EQ(GetClass("TSquare"), nullptr);
  try {
    FindClass("TSquare");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TSquare not found");
  }

  std::unique_ptr<TShape> made(FindClass("TCircle")->Create<TShape>(7));
  EXPECT_EQ(made->id, 7);
  EXPECT_NE(dynamic_cast<TCircle*>(made.get()), nullptr);
  EXPECT_EQ(ClassOf(made.get()), circle);
  std::unique_ptr<TObject> other(FindClass("TOther")->Create());
  EXPECT_EQ(other->ClassName(), "TOther");

  EXPECT_THROW(circle->Create<TShape>(), EInvalidOperation);              // no such constructor
  EXPECT_THROW(circle->Create<TShape>(1.5), EInvalidOperation);           // not exactly int
  EXPECT_THROW(GetClass("TOther")->Create<TShape>(), EInvalidOperation);  // not a TShape
}

TEST(ClassRegistry, InheritanceAndSize) {
  const TClass shape = RegisterClass<TShape>("TShape", [](int id) { return new TShape(id); });
  const TClass circle = RegisterClass<TCircle>("TCircle", [](int id) { return new TCircle(id); });
  const TClass other = RegisterClass<TOther>("TOther");
  EXPECT_TRUE(circle->InheritsFrom(shape));
  EXPECT_TRUE(circle->InheritsFrom(circle));
  EXPECT_FALSE(shape->InheritsFrom(circle));
  EXPECT_FALSE(other->InheritsFrom(shape));
  EXPECT_FALSE(other->InheritsFrom(nullptr));
  EXPECT_TRUE(circle->InheritsFrom<TPersistent>());
  EXPECT_FALSE(shape->InheritsFrom<TCircle>());
  EXPECT_EQ(circle->InstanceSize(), sizeof(TCircle));
  EXPECT_EQ(circle->ClassName(), "TCircle");
  // Registering again is harmless; another class under a taken name is refused.
  EXPECT_EQ(RegisterClass<TCircle>("TCIRCLE", [](int id) { return new TCircle(id); }), circle);
  EXPECT_THROW(RegisterClass<TOther>("TCircle"), EInvalidOperation);
  EXPECT_EQ(ClassOf(nullptr), nullptr);
}
