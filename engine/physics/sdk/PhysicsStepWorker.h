#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace Engine
{
    /// A persistent thread that runs one job at a time: Start hands the job over and returns at
    /// once, Wait blocks until it has finished. The hand-over through the mutex orders everything
    /// the caller did before Start before the job, and everything the job did before Wait returns.
    /// The thread is started on the first job and joined on destruction.
    class PhysicsStepWorker
    {
    public:
        PhysicsStepWorker() = default;
        ~PhysicsStepWorker();
        PhysicsStepWorker(const PhysicsStepWorker&) = delete;
        PhysicsStepWorker& operator=(const PhysicsStepWorker&) = delete;

        /// Runs `job` on the worker thread. A job still in flight is waited for first.
        void Start(std::function<void ()> job);
        /// Blocks until the job in flight (if any) has finished. An exception the job threw is
        /// rethrown here.
        void Wait();
        bool IsBusy() const;

    private:
        void Run();

        mutable std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable done;
        std::function<void ()> job;
        std::exception_ptr failure;
        bool busy = false;
        bool quit = false;
        std::thread thread;
    };
}
