#include "script/Wrappers.h"

#include <utility>
#include <vector>

#include <OgreRoot.h>

#include "engine/core/Error.h"
#include "engine/logic/Event.h"
#include "engine/scene/Entity.h"

namespace py = boost::python;

namespace Engine::Python::Detail
{
    namespace
    {
        /// Owns one reference to a script object for as long as the engine holds a pointer into
        /// it. Once the interpreter has stopped, the reference is abandoned instead of released:
        /// the engine may drop its controllers after the interpreter is gone.
        struct ScriptObjectOwner
        {
            PyObject* object;
            void operator()(const void*) const
            {
                if (Py_IsInitialized())
                    Py_DECREF(object);
            }
        };

        // Script objects that the engine holds by raw pointer only (event queues and the
        // renderer's root do not own their listeners), each with one reference of its own.
        struct KeptListener
        {
            boost::weak_ptr<Entity> entity;
            IEventListener* listener;
            PyObject* object;
        };
        struct KeptFrameListener
        {
            Ogre::FrameListener* listener;
            PyObject* object;
        };
        struct KeptObjects
        {
            std::vector<KeptListener> listeners;
            std::vector<KeptFrameListener> frameListeners;
        };

        // Never destroyed: it must not release python objects after the interpreter has gone.
        KeptObjects& Kept()
        {
            static KeptObjects* kept = new KeptObjects;
            return *kept;
        }

        /// Releases references after the bookkeeping is consistent again: releasing one may run
        /// script code (a __del__) that registers or removes listeners itself.
        void Release(const std::vector<PyObject*>& objects)
        {
            for (PyObject* object : objects)
                Py_DECREF(object);
        }

        /// Forgets the listeners of entities that no longer exist: their queues went with them.
        std::vector<PyObject*> TakeListenersOfDeadEntities()
        {
            std::vector<PyObject*> dead;
            std::vector<KeptListener>& listeners = Kept().listeners;
            for (auto it = listeners.begin(); it != listeners.end();)
            {
                if (it->entity.expired())
                {
                    dead.push_back(it->object);
                    it = listeners.erase(it);
                }
                else
                {
                    ++it;
                }
            }
            return dead;
        }

        /// Runs a call into a script. Whatever goes wrong in it (a python error included) is
        /// logged with its python description and thrown to the engine as "Error in <where>().
        /// <detail>"; the python error itself is cleared, not printed.
        template <class Call>
        auto CallScript(const std::string& where, const std::string& detail, Call call) -> decltype(call())
        {
            std::string cause;
            if (!Py_IsInitialized())
            {
                cause = "the python interpreter is not running";
            }
            else
            {
                try
                {
                    return call();
                }
                catch (const py::error_already_set&)
                {
                    cause = DescribePendingError();
                    PyErr_Clear();
                }
                catch (const std::exception& error)
                {
                    cause = error.what();
                }
                catch (...)
                {
                    cause = "unknown exception";
                }
            }
            LogInfo("Script error in " + where + "(): " + cause);
            ThrowError(where, detail);
        }

        /// The script method as the wrapper found it, or empty. Boost.Python leaves the
        /// AttributeError of a method the object lacks pending; it must not surface in the
        /// next, unrelated call into the interpreter.
        py::override Optional(py::override method)
        {
            if (!method && PyErr_ExceptionMatches(PyExc_AttributeError))
                PyErr_Clear();
            return method;
        }

        /// The script method `name` as the wrapper found it; a python error when the script
        /// class does not define it.
        py::override Required(py::override method, const char* name)
        {
            if (!Optional(method))
            {
                PyErr_SetString(PyExc_NotImplementedError,
                                (std::string("the script class does not define ") + name).c_str());
                py::throw_error_already_set();
            }
            return method;
        }

        /// The C++ part of a script object of class T, or a TypeError naming what was expected.
        template <class T>
        T* CppPartOf(const py::object& object, const char* expected)
        {
            py::extract<T*> get(object);
            T* part = get.check() ? static_cast<T*>(get()) : nullptr;
            if (!part)
            {
                PyErr_SetString(PyExc_TypeError, (std::string("expected an ") + expected).c_str());
                py::throw_error_already_set();
            }
            return part;
        }
    }

    PythonError::PythonError(const std::string& message)
        : Engine::Exception(message), type(nullptr), value(nullptr), traceback(nullptr)
    {
        PyErr_Fetch(&type, &value, &traceback);
    }

    PythonError::PythonError(const PythonError& other)
        : Engine::Exception(other), type(other.type), value(other.value), traceback(other.traceback)
    {
        Py_XINCREF(type);
        Py_XINCREF(value);
        Py_XINCREF(traceback);
    }

    PythonError::~PythonError()
    {
        if (!Py_IsInitialized())
            return;
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
    }

    void PythonError::Restore() const
    {
        if (!type)
        {
            PyErr_SetString(PyExc_RuntimeError, what());
            return;
        }
        Py_XINCREF(type);
        Py_XINCREF(value);
        Py_XINCREF(traceback);
        PyErr_Restore(type, value, traceback);
    }

    std::string DescribePendingError()
    {
        if (!PyErr_Occurred())
            return "";
        PyObject* type = nullptr;
        PyObject* value = nullptr;
        PyObject* traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        std::string text = type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "error";
        if (PyObject* message = value ? PyObject_Str(value) : nullptr)
        {
            if (const char* utf8 = PyUnicode_AsUTF8(message))
            {
                if (*utf8)
                    text += std::string(": ") + utf8;
            }
            Py_DECREF(message);
        }
        PyErr_Clear();  // from str() of an odd exception value
        PyErr_Restore(type, value, traceback);
        return text;
    }

    bool IControllerWrapper::Update(float dt, boost::shared_ptr<Entity> entity)
    {
        return CallScript("Engine::Python::Detail::IControllerWrapper::Update", "Error in python IController::Update()", [&] {
            const py::override method = Required(get_override("Update"), "Update");
            const py::object result = py::call<py::object>(method.ptr(), dt, entity);
            const int truth = PyObject_IsTrue(result.ptr());
            if (truth < 0)
                py::throw_error_already_set();
            return truth != 0;
        });
    }

    void IControllerWrapper::OnAttach(boost::shared_ptr<Entity> entity)
    {
        CallScript("Engine::Python::Detail::IControllerWrapper::OnAttach", "Error in python IController::OnAttach()", [&] {
            py::call<void>(Required(get_override("OnAttach"), "OnAttach").ptr(), entity);
        });
    }

    void IControllerWrapper::OnDetach(boost::shared_ptr<Entity> entity)
    {
        CallScript("Engine::Python::Detail::IControllerWrapper::OnDetach", "Error in python IController::OnDetach()", [&] {
            py::call<void>(Required(get_override("OnDetach"), "OnDetach").ptr(), entity);
        });
    }

    void IEventListenerWrapper::OnEvent(int type, boost::shared_ptr<Event> event)
    {
        CallScript("Engine::Python::Detail::IEventListenerWrapper::OnEvent", "Error in python IEventListener::OnEvent()", [&] {
            py::call<void>(Required(get_override("OnEvent"), "OnEvent").ptr(), type, event);
        });
    }

    bool IFrameListenerWrapper::frameStarted(const Ogre::FrameEvent& event)
    {
        // Nothing of `this` is touched after the script returns: PreUpdate may remove this
        // listener and drop the last reference to its python object.
        const float seconds = event.timeSinceLastFrame;
        CallScript("Engine::Python::Detail::IFrameListenerWrapper::frameStarted", "Syntax error.", [&] {
            if (const py::override method = Optional(get_override("PreUpdate")))
                py::call<void>(method.ptr(), seconds);
        });
        return true;
    }

    bool IFrameListenerWrapper::frameEnded(const Ogre::FrameEvent& event)
    {
        const float seconds = event.timeSinceLastFrame;
        CallScript("Engine::Python::Detail::IFrameListenerWrapper::frameEnded", "Syntax error.", [&] {
            if (const py::override method = Optional(get_override("PostUpdate")))
                py::call<void>(method.ptr(), seconds);
        });
        return true;
    }

    boost::shared_ptr<IController> CreateController(const std::string& name)
    {
        const std::string where = "Engine::Python::Detail::CreateController";
        if (!Py_IsInitialized())
            ThrowError(where, "The python interpreter is not running; can't create python controller '" + name + "'");
        try
        {
            // Looked up at every creation: a class redefined in "__main__" counts from now on.
            const py::object main(py::borrowed(PyImport_AddModule("__main__")));
            const py::object cls = main.attr("__dict__")[name];
            const py::object instance = cls();
            IController* controller = CppPartOf<IController>(instance, "IController");
            Py_INCREF(instance.ptr());
            return boost::shared_ptr<IController>(controller, ScriptObjectOwner{instance.ptr()});
        }
        catch (const py::error_already_set&)
        {
            const std::string text =
                "Error in " + where + "(). Unable to create python controller '" + name + "': " + DescribePendingError();
            LogCritical(text);
            throw PythonError(text);
        }
    }

    void AddEventListener(const boost::shared_ptr<Entity>& entity, const py::object& listener)
    {
        IEventListener* raw = CppPartOf<IEventListener>(listener, "IEventListener");
        try
        {
            entity->GetEventQueue().AddListener(raw, -1);
        }
        catch (...)
        {
            ThrowError("Engine::Python::Detail::AddListener", "Error in python EventQueue::AddListener()");
        }
        std::vector<PyObject*> dead = TakeListenersOfDeadEntities();
        Py_INCREF(listener.ptr());
        Kept().listeners.push_back(KeptListener{entity->GetInternalWeakPtr(), raw, listener.ptr()});
        Release(dead);
    }

    void RemoveEventListener(const boost::shared_ptr<Entity>& entity, const py::object& listener)
    {
        IEventListener* raw = CppPartOf<IEventListener>(listener, "IEventListener");
        try
        {
            entity->GetEventQueue().RemoveListener(raw, -1);
        }
        catch (...)
        {
            ThrowError("Engine::Python::Detail::RemoveListener", "Error in python EventQueue::RemoveListener()");
        }
        std::vector<PyObject*> released = TakeListenersOfDeadEntities();
        std::vector<KeptListener>& listeners = Kept().listeners;
        for (auto it = listeners.begin(); it != listeners.end(); ++it)
        {
            if (it->listener == raw && it->entity.lock() == entity)
            {
                released.push_back(it->object);
                listeners.erase(it);
                break;
            }
        }
        Release(released);
    }

    void AddFrameListener(const py::object& listener)
    {
        Ogre::FrameListener* raw = CppPartOf<Ogre::FrameListener>(listener, "IFrameListener");
        Ogre::Root* root = Ogre::Root::getSingletonPtr();
        if (!root)
            ThrowError("Engine::Python::Detail::AddFrameListener", "The renderer is not running");
        root->addFrameListener(raw);
        // The root keeps a set: adding the same listener again adds nothing.
        std::vector<KeptFrameListener>& frameListeners = Kept().frameListeners;
        for (const KeptFrameListener& kept : frameListeners)
        {
            if (kept.listener == raw)
                return;
        }
        Py_INCREF(listener.ptr());
        frameListeners.push_back(KeptFrameListener{raw, listener.ptr()});
    }

    void RemoveFrameListener(const py::object& listener)
    {
        Ogre::FrameListener* raw = CppPartOf<Ogre::FrameListener>(listener, "IFrameListener");
        if (Ogre::Root* root = Ogre::Root::getSingletonPtr())
            root->removeFrameListener(raw);
        // The root only marks a listener removed from inside a frame and skips it from then
        // on, so its object can go now.
        std::vector<PyObject*> released;
        std::vector<KeptFrameListener>& frameListeners = Kept().frameListeners;
        for (auto it = frameListeners.begin(); it != frameListeners.end(); ++it)
        {
            if (it->listener == raw)
            {
                released.push_back(it->object);
                frameListeners.erase(it);
                break;
            }
        }
        Release(released);
    }

    void ReleaseScriptObjects()
    {
        std::vector<KeptListener> listeners;
        std::vector<KeptFrameListener> frameListeners;
        listeners.swap(Kept().listeners);
        frameListeners.swap(Kept().frameListeners);

        std::vector<PyObject*> released;
        for (const KeptListener& kept : listeners)
        {
            if (const boost::shared_ptr<Entity> entity = kept.entity.lock())
                entity->GetEventQueue().RemoveListener(kept.listener, -1);
            released.push_back(kept.object);
        }
        Ogre::Root* root = Ogre::Root::getSingletonPtr();
        for (const KeptFrameListener& kept : frameListeners)
        {
            if (root)
                root->removeFrameListener(kept.listener);
            released.push_back(kept.object);
        }
        Release(released);
    }
}
