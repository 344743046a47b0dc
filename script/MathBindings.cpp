// The renderer's value types (copied in and out), scene nodes, animable values, frame listeners
// and Any as scripts see them.
#include "script/Bindings.h"
#include "script/Wrappers.h"

#include <sstream>

#include <OgreAny.h>
#include <OgreColourValue.h>
#include <OgreMath.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreQuaternion.h>
#include <OgreSceneNode.h>
#include <OgreVector.h>

#include "engine/core/Error.h"
#include "engine/physics/SimulationEntity.h"

namespace py = boost::python;

using Ogre::ColourValue;
using Ogre::Quaternion;
using Ogre::Vector3;

namespace Engine::Python::Detail
{
    namespace
    {
        // Vector3

        Vector3 AddVector(const Vector3& a, const Vector3& b) { return a + b; }
        Vector3 SubtractVector(const Vector3& a, const Vector3& b) { return a - b; }
        Vector3 AddScalar(const Vector3& a, float s) { return Vector3(a.x + s, a.y + s, a.z + s); }
        Vector3 Scale(const Vector3& a, float s) { return a * s; }
        Vector3 Divide(const Vector3& a, float s)
        {
            if (s == 0.0f)
            {
                PyErr_SetString(PyExc_ZeroDivisionError, "Vector3 division by zero");
                py::throw_error_already_set();
            }
            return a / s;
        }
        bool AllLess(const Vector3& a, const Vector3& b) { return a.x < b.x && a.y < b.y && a.z < b.z; }

        // In-place operators hand back the very object they changed.
        py::object AddVectorInPlace(py::back_reference<Vector3&> self, const Vector3& b)
        {
            self.get() += b;
            return self.source();
        }
        py::object SubtractVectorInPlace(py::back_reference<Vector3&> self, const Vector3& b)
        {
            self.get() -= b;
            return self.source();
        }
        py::object AddScalarInPlace(py::back_reference<Vector3&> self, float s)
        {
            self.get() = AddScalar(self.get(), s);
            return self.source();
        }
        py::object SubtractScalarInPlace(py::back_reference<Vector3&> self, float s)
        {
            self.get() = AddScalar(self.get(), -s);
            return self.source();
        }

        // The components live in the renderer's vector base class, which scripts never see.
        template <float Ogre::VectorBase<3, float>::*Member>
        float GetComponent(const Vector3& v) { return v.*Member; }
        template <float Ogre::VectorBase<3, float>::*Member>
        void SetComponent(Vector3& v, float value) { v.*Member = value; }

        float Length(const Vector3& v) { return v.length(); }
        float Distance(const Vector3& a, const Vector3& b) { return a.distance(b); }
        float Normalize(Vector3& v) { return v.normalise(); }
        float Dot(const Vector3& a, const Vector3& b) { return a.dotProduct(b); }

        std::string VectorRepr(const Vector3& v)
        {
            std::ostringstream text;
            text << "Vector3(" << v.x << ", " << v.y << ", " << v.z << ")";
            return text.str();
        }

        // Colour

        ColourValue AddColour(const ColourValue& a, const ColourValue& b) { return a + b; }
        ColourValue SubtractColour(const ColourValue& a, const ColourValue& b) { return a - b; }
        ColourValue ScaleColour(const ColourValue& a, float s) { return a * s; }
        ColourValue DivideColour(const ColourValue& a, float s)
        {
            if (s == 0.0f)
            {
                PyErr_SetString(PyExc_ZeroDivisionError, "Colour division by zero");
                py::throw_error_already_set();
            }
            return a / s;
        }
        py::object AddColourInPlace(py::back_reference<ColourValue&> self, const ColourValue& b)
        {
            self.get() += b;
            return self.source();
        }
        py::object SubtractColourInPlace(py::back_reference<ColourValue&> self, const ColourValue& b)
        {
            self.get() -= b;
            return self.source();
        }
        std::string ColourRepr(const ColourValue& c)
        {
            std::ostringstream text;
            text << "Colour(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
            return text.str();
        }

        // Quaternion

        Quaternion* QuaternionFromDegrees(const Ogre::Degree& angle, const Vector3& axis)
        {
            return new Quaternion(Ogre::Radian(angle.valueDegrees() * Ogre::Math::fDeg2Rad), axis);
        }
        Quaternion* QuaternionFromRadians(const Ogre::Radian& angle, const Vector3& axis)
        {
            return new Quaternion(angle, axis);
        }
        std::string QuaternionRepr(const Quaternion& q)
        {
            std::ostringstream text;
            text << "Quaternion(w=" << q.w << ", x=" << q.x << ", y=" << q.y << ", z=" << q.z << ")";
            return text.str();
        }

        // SceneNode

        Vector3 GetPosition(const SceneNodeRef& node) { return node.Node().getPosition(); }
        void SetPosition(const SceneNodeRef& node, const Vector3& position) { node.Node().setPosition(position); }
        Quaternion GetOrientation(const SceneNodeRef& node) { return node.Node().getOrientation(); }
        void SetOrientation(const SceneNodeRef& node, const Quaternion& q) { node.Node().setOrientation(q); }
        void SetDirection(const SceneNodeRef& node, const Vector3& direction, const Vector3& localDirection)
        {
            node.Node().setDirection(direction, Ogre::Node::TS_WORLD, localDirection);
        }
        void LookAt(const SceneNodeRef& node, const Vector3& target)
        {
            node.Node().lookAt(target, Ogre::Node::TS_WORLD, Vector3::NEGATIVE_UNIT_Z);
        }
        void SetFixedYawAxis(const SceneNodeRef& node, bool useFixed, const Vector3& axis)
        {
            node.Node().setFixedYawAxis(useFixed, axis);
        }
        bool Equals(const SceneNodeRef& node, const SceneNodeRef& other)
        {
            return node.Node().getName() == other.Node().getName();
        }

        // AnimableValue

        using Ogre::AnimableValue;
        void SetReal(const AnimableValueRef& v, float x) { v.Value(AnimableValue::REAL, "SetReal").setValue(x); }
        void SetColour(const AnimableValueRef& v, const ColourValue& c)
        {
            v.Value(AnimableValue::COLOUR, "SetColour").setValue(c);
        }
        void SetVector3(const AnimableValueRef& v, const Vector3& x)
        {
            v.Value(AnimableValue::VECTOR3, "SetVector3").setValue(x);
        }
        void ApplyDeltaReal(const AnimableValueRef& v, float x)
        {
            v.Value(AnimableValue::REAL, "ApplyDeltaReal").applyDeltaValue(x);
        }
        void ApplyDeltaColour(const AnimableValueRef& v, const ColourValue& c)
        {
            v.Value(AnimableValue::COLOUR, "ApplyDeltaColour").applyDeltaValue(c);
        }
        void ApplyDeltaVector3(const AnimableValueRef& v, const Vector3& x)
        {
            v.Value(AnimableValue::VECTOR3, "ApplyDeltaVector3").applyDeltaValue(x);
        }

        // Any

        bool Empty(const Ogre::Any& any) { return !any.has_value(); }

        /// Meshes cross as the renderer's shared mesh pointer, so a script keeps the mesh loaded.
        py::object MeshObject(Ogre::Mesh* mesh)
        {
            if (!mesh)
                return py::object();
            Ogre::MeshPtr shared = Ogre::static_pointer_cast<Ogre::Mesh>(
                Ogre::MeshManager::getSingleton().getByHandle(mesh->getHandle()));
            if (!shared)
                ThrowError("Engine::Python::Detail::AnyExtract", "The mesh '" + mesh->getName() + "' is not managed by the renderer");
            return py::object(shared);
        }

        py::object Extract(const Ogre::Any& any)
        {
            if (!any.has_value())
                return py::object();
            const std::type_info& type = any.type();
            if (type == typeid(boost::shared_ptr<SimulationEntity>))
                return py::object(Ogre::any_cast<boost::shared_ptr<SimulationEntity>>(any));
            if (type == typeid(Ogre::Mesh*))
                return MeshObject(Ogre::any_cast<Ogre::Mesh*>(any));
            if (type == typeid(Ogre::MeshPtr))
                return MeshObject(Ogre::any_cast<Ogre::MeshPtr>(any).get());
            ThrowError("Engine::Python::Detail::AnyExtract", std::string("Unknown value type ") + type.name());
        }

        std::string MeshName(const Ogre::Mesh& mesh) { return mesh.getName(); }
    }

    void RegisterMath()
    {
        py::class_<Vector3>("Vector3", py::init<float, float, float>())
            .add_property("x", &GetComponent<&Vector3::x>, &SetComponent<&Vector3::x>)
            .add_property("y", &GetComponent<&Vector3::y>, &SetComponent<&Vector3::y>)
            .add_property("z", &GetComponent<&Vector3::z>, &SetComponent<&Vector3::z>)
            .def("Length", &Length)
            .def("Distance", &Distance)
            .def("Normalize", &Normalize)
            .def("Dot", &Dot)
            .def("__add__", &AddVector)
            .def("__add__", &AddScalar)
            .def("__sub__", &SubtractVector)
            .def("__iadd__", &AddVectorInPlace)
            .def("__iadd__", &AddScalarInPlace)
            .def("__isub__", &SubtractVectorInPlace)
            .def("__isub__", &SubtractScalarInPlace)
            .def("__mul__", &Scale)
            .def("__truediv__", &Divide)
            .def("__lt__", &AllLess)
            .def("__repr__", &VectorRepr);

        py::class_<ColourValue>("Colour", py::init<float, float, float, float>())
            .def_readwrite("r", &ColourValue::r)
            .def_readwrite("g", &ColourValue::g)
            .def_readwrite("b", &ColourValue::b)
            .def_readwrite("a", &ColourValue::a)
            .def("__add__", &AddColour)
            .def("__sub__", &SubtractColour)
            .def("__iadd__", &AddColourInPlace)
            .def("__isub__", &SubtractColourInPlace)
            .def("__mul__", &ScaleColour)
            .def("__truediv__", &DivideColour)
            .def("__repr__", &ColourRepr);

        py::class_<Ogre::Degree>("Degree", py::init<float>());
        py::class_<Ogre::Radian>("Radian", py::init<float>());

        py::class_<Quaternion>("Quaternion", py::no_init)
            .def("__init__", py::make_constructor(&QuaternionFromDegrees))
            .def("__init__", py::make_constructor(&QuaternionFromRadians))
            .def_readwrite("w", &Quaternion::w)
            .def_readwrite("x", &Quaternion::x)
            .def_readwrite("y", &Quaternion::y)
            .def_readwrite("z", &Quaternion::z)
            .def("__repr__", &QuaternionRepr);

        py::class_<SceneNodeRef>("SceneNode", py::no_init)
            .def("GetPosition", &GetPosition)
            .def("SetPosition", &SetPosition)
            .def("GetOrientation", &GetOrientation)
            .def("SetOrientation", &SetOrientation)
            .def("SetDirection", &SetDirection)
            .def("LookAt", &LookAt)
            .def("SetFixedYawAxis", &SetFixedYawAxis)
            .def("Equals", &Equals);

        py::class_<AnimableValueRef>("AnimableValue", py::no_init)
            .def("SetReal", &SetReal)
            .def("SetColour", &SetColour)
            .def("SetVector3", &SetVector3)
            .def("ApplyDeltaReal", &ApplyDeltaReal)
            .def("ApplyDeltaColour", &ApplyDeltaColour)
            .def("ApplyDeltaVector3", &ApplyDeltaVector3);

        py::class_<IFrameListenerWrapper, boost::noncopyable>("IFrameListener");
        py::def("AddFrameListener", &AddFrameListener);
        py::def("RemoveFrameListener", &RemoveFrameListener);
    }

    void RegisterAny()
    {
        // What Any.Extract can hand out besides engine objects.
        py::class_<Ogre::Mesh, Ogre::MeshPtr, boost::noncopyable>("Mesh", py::no_init)
            .def("GetName", &MeshName);

        py::class_<Ogre::Any>("Any", py::init<>())
            .def("Empty", &Empty)
            .def("Extract", &Extract);
    }
}
