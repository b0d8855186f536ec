'''BlueZ for the Bluetooth LE peripheral's tests: python3-dbusmock's bluez5 template, and on its
adapter hci0 the GATT and LE advertising managers, which that template lacks.

Like BlueZ, the managers read the application and the advertisement back from their owner while
they register them, and refuse what a central could not use. BlueZ takes the owner from the
message's sender; this mock takes it from the "owner" parameter (the test's bus name).
Parameters: {"owner": bus name, "adapter": false for BlueZ without an adapter}.
'''

import dbus

from dbusmock import mockobject
from dbusmock.templates import bluez5
from dbusmock.templates.bluez5 import *  # noqa: F401,F403 (the template's bus and methods)

GATT_MANAGER_IFACE = 'org.bluez.GattManager1'
ADVERTISING_MANAGER_IFACE = 'org.bluez.LEAdvertisingManager1'
CYCLING_POWER = '00001818-0000-1000-8000-00805f9b34fb'
POWER_MEASUREMENT = '00002a63-0000-1000-8000-00805f9b34fb'


def refuse(reason):
    raise dbus.exceptions.DBusException(reason, name='org.bluez.Error.InvalidArguments')


def register_application(adapter, path, _options):
    owner = dbus.SystemBus().get_object(adapter.owner, path)
    objects = owner.GetManagedObjects(dbus_interface='org.freedesktop.DBus.ObjectManager')
    services = {str(p['org.bluez.GattService1']['UUID']) for p in objects.values()
                if 'org.bluez.GattService1' in p}
    characteristics = {(str(p['org.bluez.GattCharacteristic1']['UUID']),
                        tuple(str(f) for f in p['org.bluez.GattCharacteristic1']['Flags']))
                       for p in objects.values() if 'org.bluez.GattCharacteristic1' in p}
    if CYCLING_POWER not in services:
        refuse('no Cycling Power service')
    if not any(uuid == POWER_MEASUREMENT and 'notify' in flags for uuid, flags in characteristics):
        refuse('no power measurement to notify')
    adapter.applications.append(str(path))


def register_advertisement(adapter, path, _options):
    owner = dbus.SystemBus().get_object(adapter.owner, path)
    properties = owner.GetAll('org.bluez.LEAdvertisement1',
                              dbus_interface='org.freedesktop.DBus.Properties')
    if properties.get('Type') != 'peripheral':
        refuse('not a peripheral')
    if CYCLING_POWER not in [str(u) for u in properties.get('ServiceUUIDs', [])]:
        refuse('Cycling Power not advertised')
    adapter.advertisements.append(str(path))


def load(mock, parameters):
    bluez5.load(mock, parameters)
    if not parameters.get('adapter', True):
        return
    # The template's AddAdapter announces the adapter through the root object, which the mock
    # lists only once the template is loaded.
    mockobject.objects.setdefault('/', mock)
    bluez5.AddAdapter(mock, 'hci0', 'zan-test')
    adapter = mockobject.objects['/org/bluez/hci0']
    adapter.owner = parameters['owner']
    adapter.applications = []
    adapter.advertisements = []
    # BlueZ lists the GATT manager among the adapter's interfaces, with no properties.
    adapter.props[GATT_MANAGER_IFACE] = {}
    adapter.AddMethods(GATT_MANAGER_IFACE, [
        ('RegisterApplication', 'oa{sv}', '', register_application),
        ('UnregisterApplication', 'o', '', 'self.applications.remove(str(args[0]))'),
    ])
    adapter.AddProperties(ADVERTISING_MANAGER_IFACE, {
        'ActiveInstances': dbus.Byte(0),
        'SupportedInstances': dbus.Byte(5),
        'SupportedIncludes': dbus.Array(['tx-power', 'local-name'], signature='s'),
    })
    adapter.AddMethods(ADVERTISING_MANAGER_IFACE, [
        ('RegisterAdvertisement', 'oa{sv}', '', register_advertisement),
        ('UnregisterAdvertisement', 'o', '', 'self.advertisements.remove(str(args[0]))'),
    ])
    # What the tests read back: the objects registered now.
    adapter.AddMethod('org.zan.Test', 'Registered', '', 'as',
                      'ret = self.applications + self.advertisements')
