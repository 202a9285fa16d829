/// \file
/// External objects: the callback interfaces the solver's host implements.
///
/// Only the host knows its geometry, so it derives its own shapes from
/// VelaExternalShape and its own collision detector from
/// VelaExternalCollisionDetection and hands them to the solver. Both rest on
/// VelaExternalObject, which carries the reference count by which the host and
/// the solver share them: whoever keeps a pointer calls AddRef, whoever drops
/// it calls Release, and the last Release destroys the object. Nobody deletes
/// an external object directly.
///
/// The order of the virtual operations is part of the interface (hosts built
/// against another build of the library rely on it), so declarations are never
/// reordered and new virtual operations are never inserted among them.
///
/// Choices made for this implementation:
/// - The client-defined operations are declared as pure virtual functions with
///   the names and signatures below; their meaning beyond the comments is the
///   host's.
/// - Copying an object copies its reference count as it stands (not 1), and
///   assignment overwrites the target's count with the source's. A copy made
///   on the heap from an object shared by n holders therefore needs n Releases
///   before it goes. The derived classes copy through the base, so all three
///   behave alike.
/// - GetRefCount reads the count, for the host's own checks and traces.
/// - The two misuse messages go to the process's standard output through the
///   C standard output stream, and the program goes on.
///
/// Not thread-safe: the count is a plain int, so references to one object are
/// taken and released by one thread at a time.
/// \ingroup external
#ifndef VELA_EXTERNAL_VELAEXTERNALOBJECT_H
#define VELA_EXTERNAL_VELAEXTERNALOBJECT_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// The reference-counted base of the objects the host hands to the solver
/// (see VelaExternalObject.h for the sharing rules and the fixed order of
/// the virtual operations).
/// \ingroup external
class VELA_API VelaExternalObject {
 public:
  /// A new object is held once, by its creator: count 1.
  VelaExternalObject() = default;
  /// Takes the source's count (see the choices in VelaExternalObject.h).
  VelaExternalObject(const VelaExternalObject& other) = default;
  /// Overwrites this object's count with the source's.
  VelaExternalObject& operator=(const VelaExternalObject& other) = default;

  /// \name Client-defined (virtual slots 1 and 2)
  /// @{

  /// The host's type tag for this object.
  virtual int GetKind() const = 0;
  /// A name for traces.
  virtual VelaString GetLabel() const = 0;
  /// @}

  /// \name Reference counting
  /// @{

  /// One more holder.
  void AddRef() { ++refCount_; }
  /// One holder fewer. Releasing an object whose count is already below 1
  /// prints "Negative ref counter in VelaExternalObject. Is there a leak ?"
  /// and still decrements. The Release that brings the count from 1 to 0
  /// destroys the object (virtual destructor, then its memory is freed), so
  /// the object must have been created with new and the caller must not
  /// touch it afterwards.
  void Release();
  /// The current count.
  int GetRefCount() const { return refCount_; }
  /// @}

 protected:
  /// Destroying an object whose count is not 0, that is not through its last
  /// Release, prints "You cannot delete an external object, please use
  /// 'Release'." and destroys it anyway. Virtual slot 3.
  virtual ~VelaExternalObject();

 private:
  // Number of holders. 1 at creation; 0 once the last holder released it;
  // negative only after a misuse (more Releases than holders).
  int refCount_ = 1;
};

/// A shape of the host's model. The two operations here have default answers;
/// the host overrides them where its shapes know better.
/// \ingroup external
class VELA_API VelaExternalShape : public VelaExternalObject {
 public:
  /// A new shape is held once, by its creator: count 1.
  VelaExternalShape() = default;
  /// Takes the source's count, as VelaExternalObject does.
  VelaExternalShape(const VelaExternalShape& other) = default;
  /// Overwrites this object's count with the source's.
  VelaExternalShape& operator=(const VelaExternalShape& other) = default;

  /// The precision the shape is modelled to; 0.0 here. Virtual slot 4.
  virtual double GetShapePrecision();
  /// A sphere enclosing the shape, in the host's convention; here it writes
  /// 1.0 to a and 0.0 to b, c and d. Virtual slot 5.
  virtual void GetBoundingSphere(double& a, double& b, double& c, double& d);

 protected:
  /// Destroyed through the last Release only.
  ~VelaExternalShape() override;
};

/// The host's collision detector: the solver registers shapes, positions them
/// and asks which collide. Slots 4 to 9, 11 to 15 are the host's; slots 10 and
/// 16 have default answers.
/// \ingroup external
class VELA_API VelaExternalCollisionDetection : public VelaExternalObject {
 public:
  /// A new detector is held once, by its creator: count 1.
  VelaExternalCollisionDetection() = default;
  /// Takes the source's count, as VelaExternalObject does.
  VelaExternalCollisionDetection(const VelaExternalCollisionDetection& other) = default;
  /// Overwrites this object's count with the source's.
  VelaExternalCollisionDetection& operator=(const VelaExternalCollisionDetection& other) = default;

  /// \name Client-defined (slots 4 to 9)
  /// @{

  /// Prepares a detection session; 1 when the detector is ready.
  virtual unsigned char BeginDetection() = 0;
  /// Registers a shape; returns its index for the calls below.
  virtual int AddShape(VelaExternalShape* iShape) = 0;
  /// Places shape iShape: iRotation holds nine values (a 3x3 matrix by rows),
  /// iTranslation three.
  virtual void SetShapePosition(int iShape, const double* iRotation, const double* iTranslation) = 0;
  /// Runs the detection on the shapes as placed; 1 on success.
  virtual unsigned char Detect() = 0;
  /// The number of collisions the last Detect found.
  virtual int GetCollisionCount() const = 0;
  /// Collision iIndex: the indices of the two shapes and the penetration
  /// depth; 1 when iIndex is valid.
  virtual unsigned char GetCollision(int iIndex, int& oShape1, int& oShape2, double& oDepth) = 0;
  /// @}

  /// \name Default answer (slot 10)
  /// @{

  /// An areal (surface) collision, twelve numbers in the host's convention.
  /// Slot 10. Here: writes 0.0 to all twelve outputs and returns 0.
  virtual unsigned char GetArealCollision(int index, double& r1, double& r2, double& r3, double& r4,
                                          double& r5, double& r6, double& r7, double& r8,
                                          double& r9, double& r10, double& r11, double& r12);
  /// @}

  /// \name Client-defined (slots 11 to 15)
  /// @{

  /// The number of areal collisions the last Detect found.
  virtual int GetArealCollisionCount() const = 0;
  /// The number of warnings the last Detect raised.
  virtual int GetWarningCount() const = 0;
  /// Unregisters shape iShape.
  virtual void RemoveShape(int iShape) = 0;
  /// Unregisters every shape.
  virtual void ClearShapes() = 0;
  /// Ends the session BeginDetection opened.
  virtual void EndDetection() = 0;
  /// @}

  /// \name Default answer (slot 16)
  /// @{

  /// Warning `index`: four integers and seven numbers in the host's
  /// convention. Slot 16. Here: does nothing; every output keeps its value.
  virtual void GetWarning(int index, int& i1, int& i2, int& i3, int& i4, double& d1, double& d2,
                          double& d3, double& d4, double& d5, double& d6, double& d7);
  /// @}

 protected:
  /// Destroyed through the last Release only.
  ~VelaExternalCollisionDetection() override;
};

#endif  // VELA_EXTERNAL_VELAEXTERNALOBJECT_H
