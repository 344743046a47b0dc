#pragma once

class btCollisionDispatcher;

namespace Engine
{
    /// Makes the dispatcher meet boxes and planes with every corner of the box within reach of the
    /// plane at once, instead of Bullet's one point a step: a box landing on a face is held by the
    /// whole face from the first touch, so it neither tips, turns nor skids.
    void RegisterBoxPlaneCollision(btCollisionDispatcher& dispatcher);
}
