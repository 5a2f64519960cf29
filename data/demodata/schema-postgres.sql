-- The DEMODATA tables on a PostgreSQL server: the same tables as schema.sql. Domains
-- carry the field types that the server's own types do not tell apart (currency amounts,
-- memo text, pictures, counters); the data layer reads a domain's name as the field type.
CREATE DOMAIN currency AS numeric(19, 4);
CREATE DOMAIN memo AS text;
CREATE DOMAIN graphic AS bytea;
CREATE DOMAIN autoinc AS integer;

CREATE TABLE customer (
  CustNo integer PRIMARY KEY,
  Company varchar(30),
  Addr1 varchar(30),
  Addr2 varchar(30),
  City varchar(15),
  State varchar(20),
  Zip varchar(10),
  Country varchar(20),
  Phone varchar(15),
  FAX varchar(15),
  TaxRate double precision,
  Contact varchar(20),
  LastInvoiceDate timestamp
);

CREATE TABLE orders (
  OrderNo integer PRIMARY KEY,
  -- Orders are loaded before their customers: the check waits for the commit.
  CustNo integer NOT NULL REFERENCES customer (CustNo) DEFERRABLE INITIALLY DEFERRED,
  SaleDate timestamp,
  ShipDate timestamp,
  EmpNo integer,
  ShipToContact varchar(20),
  ShipToAddr1 varchar(30),
  ShipToAddr2 varchar(30),
  ShipToCity varchar(15),
  ShipToState varchar(20),
  ShipToZip varchar(10),
  ShipToCountry varchar(20),
  ShipToPhone varchar(15),
  ShipVIA varchar(7),
  PO varchar(15),
  Terms varchar(6),
  PaymentMethod varchar(7),
  ItemsTotal currency,
  TaxRate double precision,
  Freight currency,
  AmountPaid currency
);
CREATE INDEX orders_by_custno ON orders (CustNo, OrderNo);

CREATE TABLE events (
  EventNo autoinc PRIMARY KEY,
  VenueNo integer,
  Event_Name varchar(30),
  Event_Date date,
  Event_Time time,
  Event_Description memo,
  Ticket_price currency,
  Event_Photo graphic
);

CREATE TABLE animals (
  NAME varchar(16),
  WEIGHT smallint,
  SIZE smallint,
  AREA varchar(20)
);
