#include "share/bluez_peripheral.h"
#include "tests/support/private_bus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QElapsedTimer>

#include <csignal>
#include <functional>
#include <map>

namespace {

using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

const QString kOwner = "org.zan.test";
const QString kRoot = "/org/zan/station";

class FakeSource : public CharacteristicSource {
  public:
    std::vector<std::uint8_t> Value(std::uint16_t characteristic) const override {
        const auto found = values.find(characteristic);
        return found == values.end() ? std::vector<std::uint8_t>{} : found->second;
    }
    std::map<std::uint16_t, std::vector<std::uint8_t>> values;
};

// What an app (through BlueZ) hears of the measurements: each PropertiesChanged on a Value.
class Notifications : public QObject {
    Q_OBJECT
  public:
    QList<QByteArray> values;
  public slots:
    void Changed(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == "org.bluez.GattCharacteristic1" && changed.contains("Value")) {
            values << changed.value("Value").toByteArray();
        }
    }
};

// Runs the event loop until the condition holds or a bounded real time has passed.
bool Until(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

// Lets whatever is on its way arrive, for the checks that something is not sent.
void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class MockBluezPeripheral : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "zan_share_qt_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        qDBusRegisterMetaType<InterfaceProperties>();
        qDBusRegisterMetaType<ManagedObjects>();
    }

    void SetUp() override {
        ASSERT_TRUE(bus.Start());
        station = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "station");
        central = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "central");
        ASSERT_TRUE(station.isConnected() && central.isConnected());
        ASSERT_TRUE(station.registerService(kOwner));
    }
    void TearDown() override {
        mock.Signal(SIGTERM);
        mock.WaitForEnd(5);
        QDBusConnection::disconnectFromBus("station");
        QDBusConnection::disconnectFromBus("central");
    }

    // BlueZ on the bus: with an adapter that can be a peripheral, or with none.
    void StartBluez(bool adapter) {
        const std::string parameters = std::string("{\"owner\": \"org.zan.test\", \"adapter\": ") +
                                       (adapter ? "true" : "false") + "}";
        ASSERT_TRUE(mock.Run({"/usr/bin/python3", "-m", "dbusmock", "-s", "-t", ZAN_MOCK_BLUEZ,
                              "-p", parameters, "-l", bus.Folder() + "/bluez-calls.log"},
                             {}, bus.Folder() + "/bluez.log"));
        ASSERT_TRUE(Until(
            [this] { return central.interface()->isServiceRegistered("org.bluez").value(); }));
    }

    QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        return central.call(call, QDBus::BlockWithGui);
    }

    // The object path of the characteristic, found the way a central finds it.
    QString CharacteristicPath(std::uint16_t uuid) {
        const QDBusMessage reply =
            Call(kOwner, kRoot, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
        const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().value(0));
        for (auto object = objects.begin(); object != objects.end(); ++object) {
            const QVariantMap c = object->value("org.bluez.GattCharacteristic1");
            if (c.value("UUID").toString() == BluetoothUuid(uuid)) return object.key().path();
        }
        return {};
    }

    PrivateBus bus;
    ChildProcess mock;
    QDBusConnection station{""};
    QDBusConnection central{""};
    FakeSource source;
};

TEST_F(MockBluezPeripheral, RegistersTheApplicationAndAdvertisementAndNotifiesPowerOnceSubscribed) {
    StartBluez(true);
    BluezPeripheral peripheral(station, source, false, "ZAN 0042", kRoot);
    peripheral.Start();
    ASSERT_TRUE(Until([&] { return peripheral.Status().state != PeripheralState::Registering; }));
    ASSERT_EQ(peripheral.Status().state, PeripheralState::Advertising)
        << peripheral.Status().detail;
    EXPECT_EQ(peripheral.AdapterPath(), "/org/bluez/hci0");
    EXPECT_EQ(Call("org.bluez", "/org/bluez/hci0", "org.zan.Test", "Registered")
                  .arguments()
                  .value(0)
                  .toStringList(),
              (QStringList{kRoot, kRoot + "/advertisement"}));

    const QString measurement = CharacteristicPath(0x2A63);
    ASSERT_FALSE(measurement.isEmpty());
    Notifications heard;
    ASSERT_TRUE(central.connect(kOwner, measurement, "org.freedesktop.DBus.Properties",
                                "PropertiesChanged", &heard,
                                SLOT(Changed(QString, QVariantMap, QStringList))));
    source.values[0x2A63] = {0x20, 0x00, 0xFA, 0x00, 0x64};
    peripheral.Publish(0x2A63);
    Settle();
    EXPECT_TRUE(heard.values.isEmpty()) << "nothing is notified before an app subscribes";

    ASSERT_EQ(Call(kOwner, measurement, "org.bluez.GattCharacteristic1", "StartNotify").type(),
              QDBusMessage::ReplyMessage);
    peripheral.Publish(0x2A63);
    ASSERT_TRUE(Until([&] { return !heard.values.isEmpty(); }));
    EXPECT_EQ(heard.values.value(0), QByteArray("\x20\x00\xFA\x00\x64", 5));

    // A lost link has no measurement: nothing is sent, not zeros.
    source.values.erase(0x2A63);
    peripheral.Publish(0x2A63);
    Settle();
    EXPECT_EQ(heard.values.size(), 1);

    peripheral.Stop();
    EXPECT_TRUE(Until([&] {
        return Call("org.bluez", "/org/bluez/hci0", "org.zan.Test", "Registered")
            .arguments()
            .value(0)
            .toStringList()
            .isEmpty();
    })) << "a stopped peripheral leaves the adapter";
}

TEST_F(MockBluezPeripheral, ReadsTheFixedValuesWithTheirOffsetAndRefusesWrites) {
    StartBluez(true);
    source.values[0x2A65] = {0x0C, 0x00, 0x00, 0x00};
    source.values[0x2A5D] = {0x06};
    BluezPeripheral peripheral(station, source, false, "ZAN 0042", kRoot);
    peripheral.Start();
    ASSERT_TRUE(Until([&] { return peripheral.Status().state == PeripheralState::Advertising; }));
    const QString feature = CharacteristicPath(0x2A65);
    const QString location = CharacteristicPath(0x2A5D);
    EXPECT_EQ(Call(kOwner, location, "org.bluez.GattCharacteristic1", "ReadValue", {QVariantMap{}})
                  .arguments()
                  .value(0)
                  .toByteArray(),
              QByteArray("\x06", 1));
    EXPECT_EQ(Call(kOwner, feature, "org.bluez.GattCharacteristic1", "ReadValue",
                   {QVariantMap{{"offset", QVariant::fromValue<quint16>(1)}}})
                  .arguments()
                  .value(0)
                  .toByteArray(),
              QByteArray("\x00\x00\x00", 3));
    EXPECT_EQ(Call(kOwner, feature, "org.bluez.GattCharacteristic1", "ReadValue",
                   {QVariantMap{{"offset", QVariant::fromValue<quint16>(9)}}})
                  .errorName(),
              "org.bluez.Error.InvalidOffset");
    EXPECT_EQ(Call(kOwner, feature, "org.bluez.GattCharacteristic1", "WriteValue",
                   {QByteArray("\x01", 1), QVariantMap{}})
                  .type(),
              QDBusMessage::ErrorMessage);
    EXPECT_EQ(Call(kOwner, feature, "org.bluez.GattCharacteristic1", "StartNotify").type(),
              QDBusMessage::ErrorMessage)
        << "the feature does not notify";
}

TEST_F(MockBluezPeripheral, OffersHeartRateOnlyWhenAStrapIsShared) {
    StartBluez(true);
    for (bool heartRate : {false, true}) {
        BluezPeripheral peripheral(station, source, heartRate, "ZAN 0042", kRoot);
        peripheral.Start();
        ASSERT_TRUE(
            Until([&] { return peripheral.Status().state == PeripheralState::Advertising; }));
        const QDBusMessage advertised =
            Call(kOwner, kRoot + "/advertisement", "org.freedesktop.DBus.Properties", "GetAll",
                 {"org.bluez.LEAdvertisement1"});
        const QStringList uuids = qdbus_cast<QVariantMap>(advertised.arguments().value(0))
                                      .value("ServiceUUIDs")
                                      .toStringList();
        EXPECT_EQ(uuids.contains(BluetoothUuid(0x180D)), heartRate);
        EXPECT_TRUE(uuids.contains(BluetoothUuid(0x1818)));
        EXPECT_EQ(CharacteristicPath(0x2A37).isEmpty(), !heartRate);
        peripheral.Stop();
    }
}

TEST_F(MockBluezPeripheral, WithoutBluezOrAnAdapterThePeripheralSaysSo) {
    {
        BluezPeripheral peripheral(station, source, false, "ZAN 0042", kRoot);
        peripheral.Start();
        ASSERT_TRUE(
            Until([&] { return peripheral.Status().state != PeripheralState::Registering; }));
        EXPECT_EQ(peripheral.Status().state, PeripheralState::NoAdapter) << "no BlueZ at all";
    }
    StartBluez(false);
    BluezPeripheral peripheral(station, source, false, "ZAN 0042", kRoot);
    peripheral.Start();
    ASSERT_TRUE(Until([&] { return peripheral.Status().state != PeripheralState::Registering; }));
    EXPECT_EQ(peripheral.Status().state, PeripheralState::NoAdapter) << "BlueZ without an adapter";
}

} // namespace

#include "bluez_peripheral_test.moc"
