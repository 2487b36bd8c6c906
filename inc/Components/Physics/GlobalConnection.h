// GlobalConnection: joins the bodies of two objects, named by their physics ids, with one connection
// of a registered kind ("Rope", "Rod", "Socket", "Hinge"). It may sit on any object; the joined
// objects are looked up when its own object's body starts, and "Disconnect" and "Connect" switch
// the connection off and on again.
#pragma once

#include "Component.h"
#include "Message.h"

#include <memory>
#include <string>

class Connection;
struct RigidBody;

struct __GlobalConnectionName
{
	static constexpr const char* name = "GlobalConnection";
};

class GlobalConnection : public ComponentBase<GlobalConnection, __GlobalConnectionName>
{
public:
	GlobalConnection();
	// The copy gets a connection of its own with the same fields, not yet joined to anything.
	GlobalConnection(const GlobalConnection& other);
	GlobalConnection& operator=(const GlobalConnection&) = delete;
	~GlobalConnection() override;

	// "ID 1", "ID 2", the kind, then the connection's own fields. An unknown kind is reported and
	// leaves no connection.
	bool Load(Serializer& serializer) override;
	// Writes everything Load reads, so a saved level loads back with its connection.
	bool Serialize(Serializer& serializer) override;
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override;
	void Release() override;

	Connection* GetConnection() const { return connection.get(); }
	const std::string& GetKind() const { return kind; }
	bool IsConnected() const { return connected; }

	unsigned physicsId1 = 0;
	unsigned physicsId2 = 0;
	unsigned objectId1 = 0;
	unsigned objectId2 = 0;

private:
	void OnRemoteInit(Message::Reader reader);
	void OnConnect(Message::Reader reader);
	void OnDisconnect(Message::Reader reader);

	// The object of the physics id and its body; null (reported) when either is missing.
	RigidBody* ResolveBody(unsigned physicsId, unsigned& objectId) const;
	// Activates the rows and lists the connection, once both bodies are known and it is not listed.
	void Join();

	// Set by the first "RemoteInit".
	bool connected = false;
	std::string kind;
	std::unique_ptr<Connection> connection;
};

// Lets the render side's ConnectionReader find an object's connection anchors and ghost and place
// its body.
void InstallConnectionReaderPhysics();
