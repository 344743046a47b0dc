#include "engine/physics/sdk/PhysicsBoxPlaneCollision.h"

#include <btBulletCollisionCommon.h>
#include <BulletCollision/CollisionDispatch/btActivatingCollisionAlgorithm.h>
#include <BulletCollision/CollisionDispatch/btCollisionCreateFunc.h>

namespace Engine
{
    namespace
    {
        /// Contacts of a box with a plane: each corner of the box closer to the plane than the
        /// contact manifold reaches. The manifold keeps the four that span the largest area. With
        /// one point a step (a few more found by tilting the box a little), a box landing flat gets
        /// its impact impulses at unevenly spread points and is turned by them.
        class BoxPlaneCollision : public btActivatingCollisionAlgorithm
        {
        public:
            BoxPlaneCollision(const btCollisionAlgorithmConstructionInfo& info, const btCollisionObjectWrapper* box,
                              const btCollisionObjectWrapper* plane)
                : btActivatingCollisionAlgorithm(info, box, plane)
            {
                manifold = m_dispatcher->getNewManifold(box->getCollisionObject(), plane->getCollisionObject());
            }

            ~BoxPlaneCollision() override
            {
                m_dispatcher->releaseManifold(manifold);
            }

            void processCollision(const btCollisionObjectWrapper* body0, const btCollisionObjectWrapper* body1,
                                  const btDispatcherInfo&, btManifoldResult* result) override
            {
                const bool boxFirst = body0->getCollisionShape()->getShapeType() == BOX_SHAPE_PROXYTYPE;
                const btCollisionObjectWrapper* box = boxFirst ? body0 : body1;
                const btCollisionObjectWrapper* plane = boxFirst ? body1 : body0;
                const btBoxShape& boxShape = *static_cast<const btBoxShape*>(box->getCollisionShape());
                const btStaticPlaneShape& planeShape = *static_cast<const btStaticPlaneShape*>(plane->getCollisionShape());
                const btTransform& planeTransform = plane->getWorldTransform();
                const btVector3 normal = planeTransform.getBasis() * planeShape.getPlaneNormal();
                const btScalar constant = planeShape.getPlaneConstant() + normal.dot(planeTransform.getOrigin());

                // The manifold's first body is the box: contacts are given on the plane, with the
                // plane's normal, as Bullet's own convex-plane test gives them.
                result->setPersistentManifold(manifold);
                const btScalar reach = manifold->getContactBreakingThreshold();
                for (int i = 0; i < 8; ++i)
                {
                    btVector3 corner;
                    boxShape.getVertex(i, corner);
                    corner = box->getWorldTransform() * corner;
                    const btScalar distance = normal.dot(corner) - constant;
                    if (distance < reach)
                        result->addContactPoint(normal, corner - normal * distance, distance);
                }
                if (manifold->getNumContacts())
                    result->refreshContactPoints();
            }

            btScalar calculateTimeOfImpact(btCollisionObject*, btCollisionObject*, const btDispatcherInfo&,
                                           btManifoldResult*) override
            {
                return 1.0f;
            }

            void getAllContactManifolds(btManifoldArray& manifolds) override
            {
                manifolds.push_back(manifold);
            }

        private:
            btPersistentManifold* manifold;
        };

        struct CreateBoxPlaneCollision : public btCollisionAlgorithmCreateFunc
        {
            btCollisionAlgorithm* CreateCollisionAlgorithm(btCollisionAlgorithmConstructionInfo& info,
                                                           const btCollisionObjectWrapper* body0,
                                                           const btCollisionObjectWrapper* body1) override
            {
                void* memory = info.m_dispatcher1->allocateCollisionAlgorithm(sizeof(BoxPlaneCollision));
                return m_swapped ? new (memory) BoxPlaneCollision(info, body1, body0)
                                 : new (memory) BoxPlaneCollision(info, body0, body1);
            }
        };

        // Stateless apart from the order flag; they outlive every dispatcher that refers to them.
        CreateBoxPlaneCollision boxThenPlane;
        CreateBoxPlaneCollision planeThenBox;
    }

    void RegisterBoxPlaneCollision(btCollisionDispatcher& dispatcher)
    {
        planeThenBox.m_swapped = true;
        dispatcher.registerCollisionCreateFunc(BOX_SHAPE_PROXYTYPE, STATIC_PLANE_PROXYTYPE, &boxThenPlane);
        dispatcher.registerCollisionCreateFunc(STATIC_PLANE_PROXYTYPE, BOX_SHAPE_PROXYTYPE, &planeThenBox);
    }
}
