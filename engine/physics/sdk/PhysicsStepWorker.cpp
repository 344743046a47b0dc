#include "engine/physics/sdk/PhysicsStepWorker.h"

namespace Engine
{
    PhysicsStepWorker::~PhysicsStepWorker()
    {
        if (!thread.joinable())
            return;
        {
            std::unique_lock<std::mutex> lock(mutex);
            done.wait(lock, [this] { return !busy; });
            quit = true;
        }
        wake.notify_one();
        thread.join();
    }

    void PhysicsStepWorker::Start(std::function<void ()> newJob)
    {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [this] { return !busy; });
        if (!thread.joinable())
            thread = std::thread(&PhysicsStepWorker::Run, this);
        job = std::move(newJob);
        failure = nullptr;
        busy = true;
        lock.unlock();
        wake.notify_one();
    }

    void PhysicsStepWorker::Wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [this] { return !busy; });
        if (failure)
        {
            std::exception_ptr rethrown = failure;
            failure = nullptr;
            std::rethrow_exception(rethrown);
        }
    }

    bool PhysicsStepWorker::IsBusy() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return busy;
    }

    void PhysicsStepWorker::Run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;)
        {
            wake.wait(lock, [this] { return busy || quit; });
            if (quit && !busy)
                return;
            std::function<void ()> current = std::move(job);
            job = nullptr;
            lock.unlock();
            std::exception_ptr error;
            try
            {
                current();
            }
            catch (...)
            {
                error = std::current_exception();
            }
            lock.lock();
            failure = error;
            busy = false;
            done.notify_all();
        }
    }
}
