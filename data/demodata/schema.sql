-- Tables of the DEMODATA sample database. The declared column types are the field
-- types the data layer reports (CURRENCY, MEMO, GRAPHIC, DATE, TIME, DATETIME, ...).
CREATE TABLE customer (
  CustNo INTEGER PRIMARY KEY,
  Company VARCHAR(30),
  Addr1 VARCHAR(30),
  Addr2 VARCHAR(30),
  City VARCHAR(15),
  State VARCHAR(20),
  Zip VARCHAR(10),
  Country VARCHAR(20),
  Phone VARCHAR(15),
  FAX VARCHAR(15),
  TaxRate FLOAT,
  Contact VARCHAR(20),
  LastInvoiceDate DATETIME
);

CREATE TABLE orders (
  OrderNo INTEGER PRIMARY KEY,
  CustNo INTEGER NOT NULL REFERENCES customer (CustNo),
  SaleDate DATETIME,
  ShipDate DATETIME,
  EmpNo INTEGER,
  ShipToContact VARCHAR(20),
  ShipToAddr1 VARCHAR(30),
  ShipToAddr2 VARCHAR(30),
  ShipToCity VARCHAR(15),
  ShipToState VARCHAR(20),
  ShipToZip VARCHAR(10),
  ShipToCountry VARCHAR(20),
  ShipToPhone VARCHAR(15),
  ShipVIA VARCHAR(7),
  PO VARCHAR(15),
  Terms VARCHAR(6),
  PaymentMethod VARCHAR(7),
  ItemsTotal CURRENCY,
  TaxRate FLOAT,
  Freight CURRENCY,
  AmountPaid CURRENCY
);
CREATE INDEX orders_by_custno ON orders (CustNo, OrderNo);

CREATE TABLE events (
  EventNo AUTOINC PRIMARY KEY,
  VenueNo INTEGER,
  Event_Name VARCHAR(30),
  Event_Date DATE,
  Event_Time TIME,
  Event_Description MEMO,
  Ticket_price CURRENCY,
  Event_Photo GRAPHIC
);

CREATE TABLE animals (
  NAME VARCHAR(16),
  WEIGHT SMALLINT,
  SIZE SMALLINT,
  AREA VARCHAR(20)
);
