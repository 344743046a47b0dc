#pragma once

namespace Engine
{
    /// A component's answer to whether it can load on an entity now.
    enum LoadStatus
    {
        NotReady = 0,  // a component it depends on is still missing: ask again later
        Ready = 1,
        Failed = 2     // can never load on this entity
    };
}
